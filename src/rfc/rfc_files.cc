#include "rfc/rfc_files.h"

#include <memory>

#include "platform/line_reader.h"

namespace quillar {
namespace {

// The trace file is read in pieces of this many characters, line feed included.
constexpr std::size_t kTracePieceRoom = 99;

}  // namespace

std::string trace_file_remark(Platform& platform) {
  std::unique_ptr<Folder> working = platform.open_folder("");
  std::unique_ptr<ReadableFile> file = working ? as_text(working->open_file(kTraceFileName)) : nullptr;
  if (!file) return " - Look for Trace-File";
  // The library starts each error block with a "**** ERROR " line and states
  // the error in an "ERROR " line or behind a "======> " arrow; the last text
  // after the last block start is the one that explains the failure.
  std::string found;
  std::string line;
  LineReader reader(*file, kTracePieceRoom);
  while (reader.next_line(line)) {
    if (line.starts_with("**** ERROR ")) found.clear();
    if (line.starts_with("ERROR ")) found = line.size() > 12 ? line.substr(12) : std::string();
    if (line.size() >= 15 && line.compare(7, 8, "======> ") == 0) found = line.substr(15);
  }
  return found.empty() ? " - Please Check Trace-File !" : " - " + found;
}

}  // namespace quillar
