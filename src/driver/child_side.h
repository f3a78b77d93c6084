// The child's side of a child run: its one system, worked on in its scratch
// folder, everything it prints turned into records for its parent.
#ifndef QUILLAR_DRIVER_CHILD_SIDE_H_
#define QUILLAR_DRIVER_CHILD_SIDE_H_

#include "driver/child_job.h"
#include "driver/processing_run.h"
#include "profiles/global_profile.h"
#include "profiles/system_profile.h"

namespace quillar {

// The single-system run of a child, over the entries that start-up read.
// Gives the exit code.
int run_single_system_as_child(Invocation& invocation, const LogonEntries& entries, const ChildJob& job);

// The system at the job's position of a global run, once start-up and the
// global run's preparation have passed. Gives the exit code.
int run_global_system_as_child(Invocation& invocation, const GlobalAllocation& allocation, const Options& options,
                               const ChildJob& job);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_CHILD_SIDE_H_
