// The scheduler of a global run's children: up to the parallel option's
// number at work at once, each stopped at the deadline and all at the run's
// bound, and each system's result emitted in listing order, exactly where
// a run in one process would have printed it (see child_runs.h).
#ifndef QUILLAR_DRIVER_CHILD_SCHEDULER_H_
#define QUILLAR_DRIVER_CHILD_SCHEDULER_H_

#include <string>
#include <vector>

#include "driver/child_work.h"
#include "driver/processing_run.h"

namespace quillar {

// Works through the systems `profile_names` of `global_run` in children
// that start in `working` (null when the working directory did not open)
// on `clock`. `swept_out_the_run`: the sweep before took the whole run, so
// that a system never asked says why.
void schedule_children(GlobalRun& global_run, const std::vector<std::string>& profile_names, Folder* working,
                       const RunClock& clock, bool swept_out_the_run);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_CHILD_SCHEDULER_H_
