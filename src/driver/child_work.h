// One child at work on one system: started in a scratch folder of its own,
// stopped at a bound, and collected once it has ended, all on the one clock
// of the run (see child_runs.h).
#ifndef QUILLAR_DRIVER_CHILD_WORK_H_
#define QUILLAR_DRIVER_CHILD_WORK_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "driver/child_records.h"
#include "driver/processing_run.h"
#include "driver/scratch_folder.h"

namespace quillar {

// How often a run with children looks at them.
inline constexpr unsigned kPollMs = 5;

// The clock of a run with children, started before anything of their work.
class RunClock {
 public:
  RunClock(Platform& platform, long seconds);
  bool run_over() const;
  // The budget of the sweep: `share_ms` from the start.
  WorkBudget sweep_budget(std::uint64_t share_ms) const;
  // The budget of collecting and clearing: up to a margin past the bound.
  WorkBudget collection_budget() const;
  std::uint64_t bound_ms() const { return bound_ms_; }

 private:
  Platform& platform_;
  std::uint64_t begun_;
  std::uint64_t bound_ms_;
};

// A child at work on one system, in its own scratch folder.
struct Child {
  std::unique_ptr<ScratchFolder> scratch;
  std::unique_ptr<ChildProcess> process;
  // When it was killed; 0 before.
  std::uint64_t killed_ms = 0;
};

// Makes a scratch folder, leaves the job's secret in it and starts a child
// there for the system at `position`. When any of that failed, gives the
// error that names `system` and why, and no folder is left.
Status start_child(Invocation& invocation, Folder* working, std::size_t position, const std::string& system,
                   const RunClock& clock, Child& child);

// Kills a child that is still at work; it counts as stopped from then on.
void stop_child(Platform& platform, Child& child);

// Whether a stopped child has ended, or its time to end is up.
bool done_stopping(Platform& platform, Child& child);

// What a child left, once it has ended.
struct Collected {
  ChildRecords records;
  // Its folder was no longer the one made for it, or others could use it:
  // nothing of it was read.
  bool tampered = false;
};

// Reads a child's records from the folder held since it was made, while that
// is still the folder of its name, then carries its files into the working
// directory and removes it, within `budget`. A child that has not ended is
// not touched: its folder waits for a later run.
Collected collect_child(Platform& platform, Folder& working, Child& child, WorkBudget& budget);

// Console output of a child, printed where the child would have printed it.
void replay_console(Platform& platform, const ChildRecords::Output& output);

// Logs that a system's deadline passed.
void note_deadline(Invocation& invocation);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_CHILD_WORK_H_
