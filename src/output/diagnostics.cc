#include "output/diagnostics.h"

#include <cstdlib>
#include <string>

#include "output/texts.h"
#include "platform/line_reader.h"

namespace quillar {
namespace {

// The trace file is read in pieces of this many characters, line feed included.
constexpr std::size_t kTracePieceRoom = 99;

bool begins_with(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}

// Indents and widths are magnitudes; a negative one, which a printf-style
// width would read as "flush left", counts as its size.
std::string blanks(int count) { return std::string(static_cast<std::size_t>(std::abs(count)), ' '); }

}  // namespace

void DiagnosticLog::switch_to(Platform& platform, bool on) {
  switched_on_ = on;
  if (switched_on_ && !stream_) stream_ = platform.append_text(kLogFileName);
}

void DiagnosticLog::log_event(int handle, std::string_view event, std::string_view detail) {
  if (!switched_on_ || !stream_) return;
  std::string line = std::to_string(handle);
  line += ' ';
  line += event;
  line += ' ';
  line += detail;
  line += '\n';
  stream_->write(line);
  stream_->flush();
}

void print_labelled_line(Platform& platform, std::string_view label, int indent, int width,
                         std::string_view value) {
  std::string line = blanks(indent);
  line += label;
  std::size_t field = static_cast<std::size_t>(std::abs(width));
  if (label.size() < field) line += std::string(field - label.size(), ' ');
  line += " : ";
  line += value;
  line += '\n';
  platform.write_console(line);
}

std::string trace_file_remark(Platform& platform) {
  std::unique_ptr<ReadableFile> file = platform.open_text(kTraceFileName);
  if (!file) return " - Look for Trace-File";
  // The library starts each error block with a "**** ERROR " line and states
  // the error in an "ERROR " line or behind a "======> " arrow; the last text
  // after the last block start is the one that explains the failure.
  std::string found;
  std::string line;
  LineReader reader(*file, kTracePieceRoom);
  while (reader.next_piece(line)) {
    if (begins_with(line, "**** ERROR ")) found.clear();
    if (begins_with(line, "ERROR ")) found = line.size() > 12 ? line.substr(12) : std::string();
    if (line.size() >= 15 && line.compare(7, 8, "======> ") == 0) found = line.substr(15);
    if (!found.empty()) strip_line_end(found);
  }
  return found.empty() ? " - Please Check Trace-File !" : " - " + found;
}

}  // namespace quillar
