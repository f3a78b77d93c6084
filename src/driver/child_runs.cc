#include "driver/child_runs.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "base/errors.h"
#include "driver/child_scheduler.h"
#include "driver/child_work.h"

namespace quillar {
namespace {

// The share of the run's bound that the sweep of dead runs' folders may
// take: a fifth.
constexpr std::uint64_t kSweepShareDivisor = 5;

// Sweeps the folders of dead runs within `share_ms` of the run's clock.
// True when the sweep overran the whole run: nothing was asked then.
bool sweep_within(Platform& platform, Folder* working, const RunClock& clock, std::uint64_t share_ms) {
  if (working == nullptr) return false;
  WorkBudget budget = clock.sweep_budget(share_ms);
  sweep_stale_scratch_folders(platform, *working, budget);
  return clock.run_over();
}

}  // namespace

void ChildRunner::work_through(GlobalRun& global_run, const std::vector<std::string>& profile_names) {
  Platform& platform = global_run.invocation().platform;
  const RunClock clock(platform, global_run.options().whole_run_seconds());
  std::unique_ptr<Folder> working = platform.open_folder("");
  const bool swept_out_the_run =
      sweep_within(platform, working.get(), clock, clock.bound_ms() / kSweepShareDivisor);
  schedule_children(global_run, profile_names, working.get(), clock, swept_out_the_run);
}

RunOutcome run_single_in_child(Invocation& invocation, const std::string& destination) {
  Platform& platform = invocation.platform;
  const Options& options = invocation.settings.options;
  const long seconds = options.whole_run_seconds();
  const RunClock clock(platform, seconds);
  // The sweep leaves the deadline its whole time within the run's bound.
  const std::uint64_t deadline_ms = static_cast<std::uint64_t>(options.deadline.value.value_or(0)) * 1000;
  const std::uint64_t share_ms = std::min(clock.bound_ms() / kSweepShareDivisor, clock.bound_ms() - deadline_ms);
  std::unique_ptr<Folder> working = platform.open_folder("");
  if (sweep_within(platform, working.get(), clock, share_ms)) {
    return error_status(Fault::kNotAskedAfterSweep, {destination, std::to_string(seconds)});
  }
  Child child;
  Status started = start_child(invocation, working.get(), 1, destination, clock, child);
  if (!started.is_ok()) return started;
  const std::uint64_t started_ms = platform.monotonic_ms();
  bool by_deadline = false;
  while (!child.process->has_ended()) {
    by_deadline = deadline_ms > 0 && platform.monotonic_ms() - started_ms >= deadline_ms;
    if (by_deadline || clock.run_over()) {
      stop_child(platform, child);
      while (!done_stopping(platform, child)) platform.sleep_ms(kPollMs);
      break;
    }
    platform.sleep_ms(kPollMs);
  }
  WorkBudget budget = clock.collection_budget();
  const Collected collected = collect_child(platform, *working, child, budget);
  const ChildRecords& records = collected.records;
  if (collected.tampered) return error_status(Fault::kScratchFolderTampered, {destination, child.scratch->name()});
  if (!records.exit_code && child.killed_ms != 0) {
    note_deadline(invocation);
    const long waited = by_deadline ? *options.deadline.value : seconds;
    return error_status(Fault::kSystemTooSlow, {destination, std::to_string(waited)});
  }
  if (!records.exit_code) {
    return error_status(Fault::kChildEndedUnfinished, {destination, child.process->how_it_ended()});
  }
  for (const ChildRecords::Output& output : records.output) replay_console(platform, output);
  return RunOutcome::printed(*records.exit_code);
}

}  // namespace quillar
