// Systems in child processes: with a deadline or several systems at once,
// each system is worked on by another run of this program (see child_job.h)
// in a scratch folder of its own, and the parent emits the results in
// listing order, byte for byte as one process would have.
#ifndef QUILLAR_DRIVER_CHILD_RUNS_H_
#define QUILLAR_DRIVER_CHILD_RUNS_H_

#include <optional>
#include <string>
#include <vector>

#include "driver/processing_run.h"

namespace quillar {

// The systems of a global run in children: up to the parallel option's
// number at once, each stopped at the deadline, and all of them at the
// run's own bound. A system whose profile does not open gets no child; one
// whose child cannot be started is worked on in this process.
class ChildRunner final : public SystemRunner {
 public:
  int work_through(GlobalRun& global_run, const std::vector<std::string>& profile_names) override;
};

// The single-system run in a child, stopped at the deadline (or the run's
// bound). Gives the exit code; nothing when no child could be started, and
// the run goes on in this process.
std::optional<int> run_single_in_child(Invocation& invocation, const std::string& destination);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_CHILD_RUNS_H_
