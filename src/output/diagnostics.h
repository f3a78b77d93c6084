// Help for the administrator who wants to know why a run failed: the
// diagnostic log and the labelled report lines.
#ifndef QUILLAR_OUTPUT_DIAGNOSTICS_H_
#define QUILLAR_OUTPUT_DIAGNOSTICS_H_

#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quillar {

// The file, in the working directory, that the log is appended to.
inline constexpr char kLogFileName[] = "Quillar.log";
// The word with which the sensor names itself, also at the head of its own
// lines on standard error.
inline constexpr char kProgramWord[] = "Quillar";

// Tells on standard error, as "Quillar: FILE WHAT", that a file which the
// sensor writes beside its output was not written, or not whole: the one way
// of it, so that a run whose output stands still shows every such file.
void report_file_not_written(Platform& platform, std::string_view file, std::string_view what);

// The working directory as full_path writes it, with its trailing separator,
// for a text that names a file and the folder it is in.
std::string working_directory_shown(Platform& platform);

// A file of the working directory that could not be opened for writing:
// "NAME in FOLDER", and why.
struct UnwrittenFile {
  std::string file;
  std::string reason;
};
// Tells "Quillar: NAME in FOLDER cannot be written: REASON" by
// report_file_not_written, just after opening the file `name` of the working
// directory `working` (null when it did not open) for writing failed. The
// reason is the system's, or that no plain file of its own stands there,
// which is never written through.
UnwrittenFile report_working_file_unwritable(Platform& platform, Folder* working, std::string_view name);

// The log file of the working directory, opened for appending as every run
// opens it, or, when it cannot be, why: told on standard error by
// report_working_file_unwritable when `tell_failure` asks for it.
struct LogOpening {
  std::unique_ptr<WritableFile> stream;
  // Whether the log ends inside a line that a writer before left unended.
  bool ends_inside_line = false;
  UnwrittenFile unwritten;
};
LogOpening open_log_file(Platform& platform, bool tell_failure);

// One line per RFC step, written while the options ask for the log.
class DiagnosticLog {
 public:
  // Switches the log on or off and opens the log file for appending the first
  // time it is switched on. A file that cannot be opened leaves the log
  // silent, and is told once on standard error ("Quillar: Quillar.log in
  // FOLDER cannot be written: REASON"): the log never fails a run.
  void switch_to(Platform& platform, bool on);

  // Writes "handle event detail" and a line feed, and flushes it at once. The
  // callers never pass a password.
  void log_event(int handle, std::string_view event, std::string_view detail);

 private:
  bool switched_on_ = false;
  bool failure_told_ = false;
  std::unique_ptr<WritableFile> stream_;
};

// Prints `label` flush left in a column of 15 characters, the width of the
// longest label of the RFC error report ("internal status"; a longer label is
// printed whole), then " : ", `value` and a line feed.
void print_labelled_line(Platform& platform, std::string_view label, std::string_view value);

}  // namespace quillar

#endif  // QUILLAR_OUTPUT_DIAGNOSTICS_H_
