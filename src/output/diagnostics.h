// Help for the administrator who wants to know why a run failed: the
// diagnostic log, the labelled report lines and the scan of the RFC trace file.
#ifndef QUILLAR_OUTPUT_DIAGNOSTICS_H_
#define QUILLAR_OUTPUT_DIAGNOSTICS_H_

#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quillar {

// The file, in the working directory, that the log is appended to.
inline constexpr char kLogFileName[] = "Quillar.log";
// The RFC library's trace file in the working directory.
inline constexpr char kTraceFileName[] = "Dev_Rfc.Trc";

// One line per RFC step, written while the options ask for the log.
class DiagnosticLog {
 public:
  // Switches the log on or off and opens the log file for appending the first
  // time it is switched on. A file that cannot be opened leaves the log
  // silent: the log never fails a run.
  void switch_to(Platform& platform, bool on);

  // Writes "handle event detail" and a line feed, and flushes it at once. The
  // callers never pass a password.
  void log_event(int handle, std::string_view event, std::string_view detail);

 private:
  bool switched_on_ = false;
  std::unique_ptr<WritableFile> stream_;
};

// Prints `indent` blanks, then `label` filled with blanks to `width`
// characters (a longer label is printed whole), " : ", `value` and a line feed.
void print_labelled_line(Platform& platform, std::string_view label, int indent, int width,
                         std::string_view value);

// The remark for an error text after a failed call: " - " and the last error
// text of the RFC trace file, or a remark that asks the reader to look at
// the file. The file stays where it is.
std::string trace_file_remark(Platform& platform);

}  // namespace quillar

#endif  // QUILLAR_OUTPUT_DIAGNOSTICS_H_
