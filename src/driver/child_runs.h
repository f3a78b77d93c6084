// Systems in child processes: with a deadline or several systems at once,
// each system is worked on by another run of this program (see child_job.h)
// in a scratch folder of its own, and the parent emits the results in
// listing order, byte for byte as one process would have.
//
// One clock bounds the whole run: it starts before the sweep of stale
// scratch folders, and the sweep, the starts, the waiting and the collection
// all count against the run's bound. No system is ever worked on in the
// parent: a system whose child cannot be started fails, saying why.
#ifndef QUILLAR_DRIVER_CHILD_RUNS_H_
#define QUILLAR_DRIVER_CHILD_RUNS_H_

#include <string>
#include <vector>

#include "driver/processing_run.h"

namespace quillar {

// The systems of a global run in children: up to the parallel option's
// number at once, each stopped at the deadline, and all of them at the
// run's own bound. A system whose profile does not open gets no child. A
// system whose child could not start, ended unfinished, or whose RFC error
// report ended it counts as failed; the others' channels stay.
class ChildRunner final : public SystemRunner {
 public:
  void work_through(GlobalRun& global_run, const std::vector<std::string>& profile_names) override;
};

// The single-system run in a child, stopped at the deadline (or the run's
// bound): what the child printed and its exit code, or the fault of a child
// that could not start, was stopped, or ended unfinished.
RunOutcome run_single_in_child(Invocation& invocation, const std::string& destination);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_CHILD_RUNS_H_
