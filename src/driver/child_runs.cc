#include "driver/child_runs.h"

#include <memory>

#include "base/errors.h"
#include "driver/child_job.h"
#include "driver/child_records.h"
#include "driver/scratch_folder.h"

namespace quillar {
namespace {

constexpr unsigned kPollMs = 5;

// The clock of a run with children, started before anything of their work.
class RunClock {
 public:
  RunClock(Platform& platform, long seconds)
      : platform_(platform), begun_(platform.monotonic_ms()), bound_ms_(static_cast<std::uint64_t>(seconds) * 1000) {}
  bool run_over() const { return platform_.monotonic_ms() - begun_ >= bound_ms_; }

 private:
  Platform& platform_;
  std::uint64_t begun_;
  std::uint64_t bound_ms_;
};

// A child at work on one system, in its own scratch folder.
struct Child {
  std::string scratch;
  std::unique_ptr<ChildProcess> process;
};

Status not_started(const std::string& system, const std::string& what, Platform& platform) {
  return error_status(Fault::kChildNotStarted, {system, what + ", " + platform.failure_reason()});
}

// Makes a scratch folder, leaves the job's secret in it and starts a child
// there for the system at `position`. When any of that failed, gives the
// error that names `system` and why, and no folder is left.
Status start_child(Invocation& invocation, Folder* working, std::size_t position, const std::string& system,
                   Child& child) {
  Platform& platform = invocation.platform;
  if (working == nullptr) return not_started(system, "no working folder", platform);
  std::optional<std::string> scratch = make_scratch_folder(platform, *working);
  if (!scratch) return not_started(system, "no scratch folder", platform);
  const ChildJob job{*scratch, platform.process_id(), position, make_job_secret(platform)};
  std::unique_ptr<WritableFile> job_file;
  if (std::unique_ptr<Folder> folder = working->open_folder(*scratch)) {
    job_file = folder->write_file(kJobFile, FileWriting::kNew);
  }
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
    clear_scratch_folder(platform, *working, *scratch);
    return started;
  }
  child.scratch = *scratch;
  return started;
}

// What a child left, once it has ended: its records, its files carried into
// the working directory, its folder gone.
ChildRecords collect(Platform& platform, Folder& working, const std::string& scratch) {
  ChildRecords records;
  if (std::unique_ptr<Folder> folder = working.open_folder(scratch)) {
    records = read_child_records(*folder);
    merge_run_files(platform, working, *folder, records.trace_removed);
  }
  clear_scratch_folder(platform, working, scratch);
  return records;
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
  enum class Stage { kWaiting, kRunning, kDone };
  std::string profile_name;
  Stage stage = Stage::kWaiting;
  // Done without a child: its profile did not open.
  bool skipped = false;
  // Why its child could not be started.
  std::string not_started;
  std::optional<Child> child;
  std::uint64_t started_ms = 0;
  // Stopped by the deadline or the run's bound, before or while at work.
  bool stopped = false;
};

class ChildScheduler {
 public:
  ChildScheduler(GlobalRun& global_run, const std::vector<std::string>& names, Folder* working, const RunClock& clock)
      : global_run_(global_run),
        invocation_(global_run.invocation()),
        platform_(invocation_.platform),
        working_(working),
        clock_(clock) {
    for (const std::string& name : names) slots_.push_back(Slot{name});
  }

  void work() {
    const Options& options = global_run_.options();
    const std::size_t at_once = static_cast<std::size_t>(options.parallel.value_or(1));
    const std::uint64_t deadline_ms = static_cast<std::uint64_t>(options.deadline_seconds.value_or(0)) * 1000;
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
    for (const Slot& slot : slots_) count += slot.stage == Slot::Stage::kRunning ? 1 : 0;
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
    Status started = start_child(invocation_, working_, position, slot.profile_name, child);
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
      }
      return;
    }
    if (slot.stage != Slot::Stage::kRunning) return;
    if (slot.child->process->has_ended()) {
      slot.stage = Slot::Stage::kDone;
      return;
    }
    const bool overdue = deadline_ms > 0 && now > slot.started_ms && now - slot.started_ms >= deadline_ms;
    if (run_over || overdue) {
      slot.child->process->kill();
      slot.stage = Slot::Stage::kDone;
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
    ChildRecords records;
    if (slot.child && working_ != nullptr) records = collect(platform_, *working_, slot.child->scratch);
    result.channel_name = records.channel_name;
    result.system_line = records.system_line;
    result.state = SystemState::kRfcFailure;
    if (result.system_line.empty()) result.system_line = "* " + platform_.time_of_day() + " " + slot.profile_name;
    if (!slot.not_started.empty()) {
      global_run_.note_system_failure({slot.not_started});
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
  std::vector<Slot> slots_;
};

}  // namespace

void ChildRunner::work_through(GlobalRun& global_run, const std::vector<std::string>& profile_names) {
  Platform& platform = global_run.invocation().platform;
  const RunClock clock(platform, global_run.options().whole_run_seconds());
  std::unique_ptr<Folder> working = platform.open_folder("");
  if (working) sweep_stale_scratch_folders(platform, *working, [&clock] { return clock.run_over(); });
  ChildScheduler scheduler(global_run, profile_names, working.get(), clock);
  scheduler.work();
}

RunOutcome run_single_in_child(Invocation& invocation, const std::string& destination) {
  Platform& platform = invocation.platform;
  const Options& options = invocation.settings.options;
  const long seconds = options.deadline_seconds.value_or(options.whole_run_seconds());
  const RunClock clock(platform, seconds);
  std::unique_ptr<Folder> working = platform.open_folder("");
  if (working) sweep_stale_scratch_folders(platform, *working, [&clock] { return clock.run_over(); });
  Child child;
  Status started = start_child(invocation, working.get(), 1, destination, child);
  if (!started.is_ok()) return started;
  bool stopped = false;
  while (!child.process->has_ended()) {
    if (clock.run_over()) {
      child.process->kill();
      stopped = true;
      break;
    }
    platform.sleep_ms(kPollMs);
  }
  ChildRecords records = collect(platform, *working, child.scratch);
  if (!records.exit_code && stopped) {
    note_deadline(invocation);
    return error_status(Fault::kSystemTooSlow, {destination, std::to_string(seconds)});
  }
  if (!records.exit_code) {
    return error_status(Fault::kChildEndedUnfinished, {destination, child.process->how_it_ended()});
  }
  for (const ChildRecords::Output& output : records.output) replay_console(platform, output);
  return RunOutcome::printed(*records.exit_code);
}

}  // namespace quillar
