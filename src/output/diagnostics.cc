#include "output/diagnostics.h"

#include <cstring>
#include <string>
#include <utility>

namespace quillar {
namespace {

// The values line up as readers of the library's own reports expect.
constexpr std::size_t kLabelColumn = 15;

}  // namespace

LogOpening open_log_file(Platform& platform, bool tell_failure) {
  LogOpening opened;
  // A link, FIFO or folder in the log's place is never written through.
  std::unique_ptr<Folder> working = platform.open_folder("");
  if (working) opened.stream = working->write_file(kLogFileName, FileWriting::kAppendText);
  if (opened.stream) file_end(*working, kLogFileName, opened.ends_inside_line);
  if (!opened.stream && tell_failure) {
    opened.unwritten = report_working_file_unwritable(platform, working.get(), kLogFileName);
  }
  return opened;
}

void DiagnosticLog::switch_to(Platform& platform, bool on) {
  switched_on_ = on;
  if (!switched_on_ || stream_) return;
  LogOpening opened = open_log_file(platform, !failure_told_);
  stream_ = std::move(opened.stream);
  if (!stream_) failure_told_ = true;
  // A line that a writer before left unended (a full disk, a kill) is
  // ended, so that the first line of this run stands on its own.
  if (stream_ && opened.ends_inside_line) stream_->write("\n");
}

UnwrittenFile report_working_file_unwritable(Platform& platform, Folder* working, std::string_view name) {
  UnwrittenFile unwritten;
  unwritten.reason = platform.failure_reason();
  const EntryKind kind = working ? working->kind(std::string(name)) : EntryKind::kMissing;
  if (kind == EntryKind::kFolder || kind == EntryKind::kOther) {
    unwritten.reason = "no plain file of its own there (a link, FIFO or folder)";
  }
  unwritten.file = std::string(name) + " in " + working_directory_shown(platform);
  report_file_not_written(platform, unwritten.file, "cannot be written: " + unwritten.reason);
  return unwritten;
}

void report_file_not_written(Platform& platform, std::string_view file, std::string_view what) {
  platform.write_error_console(std::string(kProgramWord) + ": " + std::string(file) + " " + std::string(what) + "\n");
}

std::string working_directory_shown(Platform& platform) {
  std::string folder = platform.full_path(kLogFileName);
  if (folder.ends_with(kLogFileName)) folder.resize(folder.size() - std::strlen(kLogFileName));
  return folder;
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

void print_labelled_line(Platform& platform, std::string_view label, std::string_view value) {
  std::string line(label);
  if (label.size() < kLabelColumn) line += std::string(kLabelColumn - label.size(), ' ');
  line += " : ";
  line += value;
  line += '\n';
  platform.write_console(line);
}

}  // namespace quillar
