#include "rfc/rfc_files.h"

#include <cstring>
#include <memory>

#include "base/errors.h"
#include "output/diagnostics.h"
#include "platform/line_reader.h"

namespace quillar {
namespace {

// The trace file is read in pieces of this many characters, line feed included.
constexpr std::size_t kTracePieceRoom = 99;

}  // namespace

Status check_trace_file_place(Platform& platform) {
  // A working directory that does not open hides nothing from the library
  // that this check could see.
  std::unique_ptr<Folder> working = platform.open_folder("");
  const EntryKind kind = working ? working->kind(kTraceFileName) : EntryKind::kMissing;
  if (kind == EntryKind::kMissing || kind == EntryKind::kFile) return Status::Ok();
  return error_status(Fault::kTraceFileUnusable, {kTraceFileName, working_directory_shown(platform)});
}

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
