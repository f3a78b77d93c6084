#include "driver/child_work.h"

#include <algorithm>
#include <vector>

#include "base/errors.h"
#include "driver/child_job.h"

namespace quillar {
namespace {

// How long a killed child is given to end. One that has not ended by then
// (stuck in a system call on a hung disk, say) is left behind with its
// folder, which a later run sweeps.
constexpr std::uint64_t kKillWaitMs = 200;
// The collection and clearing of the children's folders go on at most this
// long past the run's bound; what is left then waits for a later run.
constexpr std::uint64_t kAfterBoundMs = 250;

Status not_started(const std::string& system, const std::string& what, Platform& platform) {
  return error_status(Fault::kChildNotStarted, {system, what + ", " + platform.failure_reason()});
}

}  // namespace

RunClock::RunClock(Platform& platform, long seconds)
    : platform_(platform), begun_(platform.monotonic_ms()), bound_ms_(static_cast<std::uint64_t>(seconds) * 1000) {}

bool RunClock::run_over() const { return platform_.monotonic_ms() - begun_ >= bound_ms_; }

WorkBudget RunClock::sweep_budget(std::uint64_t share_ms) const {
  return WorkBudget(platform_, begun_ + share_ms, kSweptPerRun);
}

WorkBudget RunClock::collection_budget() const {
  return WorkBudget(platform_, begun_ + bound_ms_ + kAfterBoundMs, UINT64_MAX);
}

Status start_child(Invocation& invocation, Folder* working, std::size_t position, const std::string& system,
                   const RunClock& clock, Child& child) {
  Platform& platform = invocation.platform;
  if (working == nullptr) return not_started(system, "no working folder", platform);
  std::unique_ptr<ScratchFolder> scratch = ScratchFolder::make(platform, *working);
  if (!scratch) return not_started(system, "no scratch folder", platform);
  const ChildJob job{scratch->name(), platform.process_id(), position, make_job_secret(platform)};
  std::unique_ptr<WritableFile> job_file = scratch->folder().write_file(kJobFile, FileWriting::kNew);
  bool job_left = job_file != nullptr && job_file->write(job.secret);
  job_left = job_file != nullptr && job_file->close() && job_left;
  Status started = Status::Ok();
  if (!job_left) {
    started = not_started(system, "no job file", platform);
  } else {
    std::vector<std::string> command_line = {invocation.program_path};
    command_line.insert(command_line.end(), invocation.arguments.begin(), invocation.arguments.end());
    child.process = platform.start_program(command_line, encode_child_job(job));
    if (!child.process) started = not_started(system, "no process", platform);
  }
  if (!started.is_ok()) {
    WorkBudget budget = clock.collection_budget();
    const std::string name = scratch->name();
    carry_out_scratch_folder(platform, *working, name, scratch->let_go(), ChildLeftovers{}, budget);
    return started;
  }
  child.scratch = std::move(scratch);
  return started;
}

void stop_child(Platform& platform, Child& child) {
  if (child.killed_ms != 0) return;
  child.process->kill();
  child.killed_ms = std::max<std::uint64_t>(platform.monotonic_ms(), 1);
}

bool done_stopping(Platform& platform, Child& child) {
  return child.process->has_ended() || platform.monotonic_ms() - child.killed_ms >= kKillWaitMs;
}

Collected collect_child(Platform& platform, Folder& working, Child& child, WorkBudget& budget) {
  Collected collected;
  if (!child.process->has_ended()) return collected;
  if (!child.scratch->intact(working)) {
    collected.tampered = true;
    return collected;
  }
  collected.records = read_child_records(child.scratch->folder());
  const ChildLeftovers leftovers{collected.records.trace_removed, true};
  const std::string name = child.scratch->name();
  carry_out_scratch_folder(platform, working, name, child.scratch->let_go(), leftovers, budget);
  return collected;
}

void replay_console(Platform& platform, const ChildRecords::Output& output) {
  if (output.kind == RecordKind::kBeginLine) {
    platform.begin_console_line();
  } else if (output.kind == RecordKind::kConsole || output.kind == RecordKind::kReport) {
    platform.write_console(output.bytes);
  }
}

void note_deadline(Invocation& invocation) { invocation.log.log_event(0, "Deadline passed", ""); }

}  // namespace quillar
