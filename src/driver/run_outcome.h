// What a run comes to, and the one place where it ends: the error document
// of a failed run is built here, from its Status, and nowhere else.
#ifndef QUILLAR_DRIVER_RUN_OUTCOME_H_
#define QUILLAR_DRIVER_RUN_OUTCOME_H_

#include <utility>

#include "base/status.h"
#include "platform/platform.h"

namespace quillar {

// A fault, for which the run ends in the error document, or the exit code of
// a run that has printed all it had to print.
class RunOutcome {
 public:
  // A run that failed with `status`; a fine status is a completed run.
  RunOutcome(Status status) : status_(std::move(status)) {}  // NOLINT: a Status is an outcome
  // A run that printed its output and ends with `exit_code` (that of a
  // child's run it replayed, say).
  static RunOutcome printed(int exit_code) {
    RunOutcome outcome{Status::Ok()};
    outcome.exit_code_ = exit_code;
    return outcome;
  }

  const Status& status() const { return status_; }
  int exit_code() const { return status_.is_ok() ? exit_code_ : kExitErrorDocument; }

 private:
  Status status_;
  int exit_code_ = kExitCompleted;
};

// The end of every run: prints the error document of a failed outcome on
// `console`, after whatever the run printed before, and gives the exit code.
int finish_run(Platform& console, const RunOutcome& outcome);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_RUN_OUTCOME_H_
