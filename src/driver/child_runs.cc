#include "driver/child_runs.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "base/errors.h"
#include "driver/child_job.h"
#include "driver/child_records.h"
#include "driver/scratch_folder.h"

namespace quillar {
namespace {

constexpr unsigned kPollMs = 5;
// The share of the run's bound that the sweep of dead runs' folders may
// take: a fifth.
constexpr std::uint64_t kSweepShareDivisor = 5;
// How long a killed child is given to end. One that has not ended by then
// (stuck in a system call on a hung disk, say) is left behind with its
// folder, which a later run sweeps.
constexpr std::uint64_t kKillWaitMs = 200;
// The collection and clearing of the children's folders go on at most this
// long past the run's bound; what is left then waits for a later run.
constexpr std::uint64_t kAfterBoundMs = 250;

// The clock of a run with children, started before anything of their work.
class RunClock {
 public:
  RunClock(Platform& platform, long seconds)
      : platform_(platform), begun_(platform.monotonic_ms()), bound_ms_(static_cast<std::uint64_t>(seconds) * 1000) {}
  bool run_over() const { return platform_.monotonic_ms() - begun_ >= bound_ms_; }
  // The budget of the sweep: `share_ms` from the start.
  WorkBudget sweep_budget(std::uint64_t share_ms) const {
    return WorkBudget(platform_, begun_ + share_ms, kSweptPerRun);
  }
  // The budget of collecting and clearing: up to a margin past the bound.
  WorkBudget collection_budget() const {
    return WorkBudget(platform_, begun_ + bound_ms_ + kAfterBoundMs, UINT64_MAX);
  }
  std::uint64_t bound_ms() const { return bound_ms_; }

 private:
  Platform& platform_;
  std::uint64_t begun_;
  std::uint64_t bound_ms_;
};

// Sweeps the folders of dead runs within `share_ms` of the run's clock.
// True when the sweep overran the whole run: nothing was asked then.
bool sweep_within(Platform& platform, Folder* working, const RunClock& clock, std::uint64_t share_ms) {
  if (working == nullptr) return false;
  WorkBudget budget = clock.sweep_budget(share_ms);
  sweep_stale_scratch_folders(platform, *working, budget);
  return clock.run_over();
}

// A child at work on one system, in its own scratch folder.
struct Child {
  std::unique_ptr<ScratchFolder> scratch;
  std::unique_ptr<ChildProcess> process;
  // When it was killed; 0 before.
  std::uint64_t killed_ms = 0;
};

Status not_started(const std::string& system, const std::string& what, Platform& platform) {
  return error_status(Fault::kChildNotStarted, {system, what + ", " + platform.failure_reason()});
}

// Makes a scratch folder, leaves the job's secret in it and starts a child
// there for the system at `position`. When any of that failed, gives the
// error that names `system` and why, and no folder is left.
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

// Kills a child that is still at work; it counts as stopped from then on.
void stop(Platform& platform, Child& child) {
  if (child.killed_ms != 0) return;
  child.process->kill();
  child.killed_ms = std::max<std::uint64_t>(platform.monotonic_ms(), 1);
}

// Whether a stopped child has ended, or its time to end is up.
bool done_stopping(Platform& platform, Child& child) {
  return child.process->has_ended() || platform.monotonic_ms() - child.killed_ms >= kKillWaitMs;
}

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
Collected collect(Platform& platform, Folder& working, Child& child, WorkBudget& budget) {
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

// Console output of a child, printed where the child would have printed it.
void replay_console(Platform& platform, const ChildRecords::Output& output) {
  if (output.kind == RecordKind::kBeginLine) {
    platform.begin_console_line();
  } else if (output.kind == RecordKind::kConsole || output.kind == RecordKind::kReport) {
    platform.write_console(output.bytes);
  }
}

// The lines of the report records, without the blank ones.
std::vector<std::string> report_lines(const ChildRecords& records) {
  std::string report;
  for (const ChildRecords::Output& output : records.output) {
    if (output.kind == RecordKind::kReport) report += output.bytes;
  }
  std::vector<std::string> lines;
  for (std::size_t next = 0; next < report.size();) {
    const std::size_t end = std::min(report.find('\n', next), report.size());
    if (end > next) lines.push_back(report.substr(next, end - next));
    next = end + 1;
  }
  return lines;
}

void note_deadline(Invocation& invocation) { invocation.log.log_event(0, "Deadline passed", ""); }

// One system of the listing.
struct Slot {
  enum class Stage { kWaiting, kRunning, kStopping, kDone };
  std::string profile_name;
  Stage stage = Stage::kWaiting;
  // Done without a child: its profile did not open.
  bool skipped = false;
  // Why its child could not be started, or why it was never asked.
  std::string not_started;
  std::optional<Child> child;
  std::uint64_t started_ms = 0;
  // Stopped by the deadline or the run's bound, before or while at work.
  bool stopped = false;
};

class ChildScheduler {
 public:
  ChildScheduler(GlobalRun& global_run, const std::vector<std::string>& names, Folder* working, const RunClock& clock,
                 bool swept_out_the_run)
      : global_run_(global_run),
        invocation_(global_run.invocation()),
        platform_(invocation_.platform),
        working_(working),
        clock_(clock),
        collection_(clock.collection_budget()),
        swept_out_the_run_(swept_out_the_run) {
    for (const std::string& name : names) slots_.push_back(Slot{name});
  }

  void work() {
    const Options& options = global_run_.options();
    const std::size_t at_once = static_cast<std::size_t>(options.parallel.value.value_or(1));
    const std::uint64_t deadline_ms = static_cast<std::uint64_t>(options.deadline.value.value_or(0)) * 1000;
    std::size_t next_start = 0;
    std::size_t next_emit = 0;
    while (next_emit < slots_.size()) {
      const std::uint64_t now = platform_.monotonic_ms();
      const bool run_over = clock_.run_over();
      while (!run_over && next_start < slots_.size() && running() < at_once) start(slots_[next_start++]);
      for (Slot& slot : slots_) watch(slot, now, deadline_ms, run_over);
      bool progressed = false;
      while (next_emit < slots_.size() && slots_[next_emit].stage == Slot::Stage::kDone) {
        emit(slots_[next_emit++]);
        progressed = true;
      }
      if (!progressed) platform_.sleep_ms(kPollMs);
    }
  }

 private:
  std::size_t running() const {
    std::size_t count = 0;
    for (const Slot& slot : slots_) {
      count += slot.stage == Slot::Stage::kRunning || slot.stage == Slot::Stage::kStopping ? 1 : 0;
    }
    return count;
  }

  void start(Slot& slot) {
    slot.stage = Slot::Stage::kDone;
    // A system whose profile does not open fails exactly as in one process,
    // without the cost of a child.
    if (!global_run_.open_system_profile(slot.profile_name)) {
      slot.skipped = true;
      return;
    }
    const std::size_t position = static_cast<std::size_t>(&slot - slots_.data()) + 1;
    Child child;
    Status started = start_child(invocation_, working_, position, slot.profile_name, clock_, child);
    if (!started.is_ok()) {
      slot.not_started = started.text();
      return;
    }
    slot.child = std::move(child);
    slot.stage = Slot::Stage::kRunning;
    slot.started_ms = platform_.monotonic_ms();
  }

  void watch(Slot& slot, std::uint64_t now, std::uint64_t deadline_ms, bool run_over) {
    if (slot.stage == Slot::Stage::kWaiting) {
      // The run's bound came before this system's turn.
      if (run_over) {
        slot.stage = Slot::Stage::kDone;
        slot.skipped = !global_run_.open_system_profile(slot.profile_name);
        slot.stopped = !slot.skipped;
        if (!slot.skipped && swept_out_the_run_) {
          slot.not_started = error_text(Fault::kNotAskedAfterSweep,
                                        {slot.profile_name, std::to_string(clock_.bound_ms() / 1000)});
        }
      }
      return;
    }
    if (slot.stage == Slot::Stage::kStopping) {
      if (done_stopping(platform_, *slot.child)) slot.stage = Slot::Stage::kDone;
      return;
    }
    if (slot.stage != Slot::Stage::kRunning) return;
    if (slot.child->process->has_ended()) {
      slot.stage = Slot::Stage::kDone;
      return;
    }
    const bool overdue = deadline_ms > 0 && now > slot.started_ms && now - slot.started_ms >= deadline_ms;
    if (run_over || overdue) {
      stop(platform_, *slot.child);
      slot.stage = done_stopping(platform_, *slot.child) ? Slot::Stage::kDone : Slot::Stage::kStopping;
      slot.stopped = true;
    }
  }

  // Prints what the system came to, exactly where a run in one process would
  // have printed it. A system that did not complete counts as failed, and
  // what ended it goes to the log and the trace.
  void emit(Slot& slot) {
    SystemResult result;
    if (slot.skipped) {
      global_run_.finish_system(result);
      return;
    }
    Collected collected;
    if (slot.child && working_ != nullptr) collected = collect(platform_, *working_, *slot.child, collection_);
    const ChildRecords& records = collected.records;
    result.channel_name = records.channel_name;
    result.system_line = records.system_line;
    result.state = SystemState::kRfcFailure;
    if (result.system_line.empty()) result.system_line = "* " + platform_.time_of_day() + " " + slot.profile_name;
    if (!slot.not_started.empty()) {
      global_run_.note_system_failure({slot.not_started});
    } else if (collected.tampered) {
      global_run_.note_system_failure(
          {error_text(Fault::kScratchFolderTampered, {slot.profile_name, slot.child->scratch->name()})});
    } else if (!records.exit_code && slot.stopped) {
      // Not answered: nothing it printed counts.
      note_deadline(invocation_);
    } else if (!records.exit_code) {
      global_run_.note_system_failure(
          {error_text(Fault::kChildEndedUnfinished, {slot.profile_name, slot.child->process->how_it_ended()})});
    } else {
      const bool completed = *records.exit_code == kExitCompleted;
      for (const ChildRecords::Output& output : records.output) {
        if (output.kind == RecordKind::kValue) {
          result.value = output.value;
          if (completed) global_run_.emit_channel(result);
        } else if (output.kind != RecordKind::kReport) {
          replay_console(platform_, output);
        }
      }
      result.value.reset();
      if (completed) result.state = records.state.value_or(SystemState::kRfcFailure);
      // The error report ended this system's child alone.
      if (*records.exit_code == kExitRfcAborted) global_run_.note_system_failure(report_lines(records));
    }
    global_run_.finish_system(result);
  }

  GlobalRun& global_run_;
  Invocation& invocation_;
  Platform& platform_;
  Folder* working_;
  const RunClock& clock_;
  WorkBudget collection_;
  bool swept_out_the_run_;
  std::vector<Slot> slots_;
};

}  // namespace

void ChildRunner::work_through(GlobalRun& global_run, const std::vector<std::string>& profile_names) {
  Platform& platform = global_run.invocation().platform;
  const RunClock clock(platform, global_run.options().whole_run_seconds());
  std::unique_ptr<Folder> working = platform.open_folder("");
  const bool swept_out_the_run =
      sweep_within(platform, working.get(), clock, clock.bound_ms() / kSweepShareDivisor);
  ChildScheduler scheduler(global_run, profile_names, working.get(), clock, swept_out_the_run);
  scheduler.work();
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
      stop(platform, child);
      while (!done_stopping(platform, child)) platform.sleep_ms(kPollMs);
      break;
    }
    platform.sleep_ms(kPollMs);
  }
  WorkBudget budget = clock.collection_budget();
  const Collected collected = collect(platform, *working, child, budget);
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
