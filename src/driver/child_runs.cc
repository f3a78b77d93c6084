#include "driver/child_runs.h"

#include <memory>

#include "driver/child_job.h"
#include "driver/child_records.h"
#include "driver/scratch_folder.h"
#include "driver/error_document.h"
#include "base/errors.h"

namespace quillar {
namespace {

constexpr unsigned kPollMs = 5;

// A child at work on one system, in its own scratch folder.
struct Child {
  std::string scratch;
  std::unique_ptr<ChildProcess> process;
};

// Makes a scratch folder and starts a child in it; nothing when either
// failed, and no folder is left then.
std::optional<Child> start_child(Invocation& invocation, std::size_t position) {
  Platform& platform = invocation.platform;
  std::optional<std::string> scratch = make_scratch_folder(platform);
  if (!scratch) return std::nullopt;
  const ChildJob job{*scratch, platform.process_id(), position};
  std::unique_ptr<ChildProcess> process =
      platform.start_program(child_command_line(invocation.program_path, job, invocation.arguments));
  if (!process) {
    clear_scratch_folder(platform, *scratch);
    return std::nullopt;
  }
  return Child{*scratch, std::move(process)};
}

// What a child left, once it has ended: its records, its files carried into
// the working directory, its folder gone.
ChildRecords collect(Platform& platform, const std::string& scratch) {
  ChildRecords records = read_child_records(platform, scratch);
  merge_run_files(platform, scratch, records.trace_removed);
  clear_scratch_folder(platform, scratch);
  return records;
}

// Console output of a child, printed where the child would have printed it.
void replay_console(Platform& platform, const ChildRecords::Output& output) {
  if (output.kind == RecordKind::kBeginLine) {
    platform.begin_console_line();
  } else if (output.kind == RecordKind::kConsole) {
    platform.write_console(output.bytes);
  }
}

void note_deadline(Invocation& invocation) { invocation.log.log_event(0, "Deadline passed", ""); }

// One system of the listing.
struct Slot {
  enum class Stage { kWaiting, kRunning, kDone };
  std::string profile_name;
  Stage stage = Stage::kWaiting;
  // Done without a child: its profile did not open, or it is to be worked
  // on in this process.
  bool skipped = false;
  bool here = false;
  std::optional<Child> child;
  std::uint64_t started_ms = 0;
  // Stopped by the deadline or the run's bound, before or while at work.
  bool stopped = false;
};

class ChildScheduler {
 public:
  ChildScheduler(GlobalRun& global_run, const std::vector<std::string>& names)
      : global_run_(global_run), invocation_(global_run.invocation()), platform_(invocation_.platform) {
    for (const std::string& name : names) slots_.push_back(Slot{name});
  }

  int work() {
    const Options& options = global_run_.options();
    const std::size_t at_once = static_cast<std::size_t>(options.parallel.value_or(1));
    const std::uint64_t deadline_ms = static_cast<std::uint64_t>(options.deadline_seconds.value_or(0)) * 1000;
    const std::uint64_t bound_ms = static_cast<std::uint64_t>(options.whole_run_seconds()) * 1000;
    const std::uint64_t begun = platform_.monotonic_ms();
    std::size_t next_start = 0;
    std::size_t next_emit = 0;
    while (next_emit < slots_.size()) {
      const std::uint64_t now = platform_.monotonic_ms();
      const bool run_over = now - begun >= bound_ms;
      while (!run_over && next_start < slots_.size() && running() < at_once) start(slots_[next_start++]);
      for (Slot& slot : slots_) watch(slot, now, deadline_ms, run_over);
      bool progressed = false;
      while (next_emit < slots_.size() && slots_[next_emit].stage == Slot::Stage::kDone) {
        if (emit(slots_[next_emit++]) == kExitRfcAborted) {
          stop_all();
          return kExitRfcAborted;
        }
        progressed = true;
      }
      if (!progressed) platform_.sleep_ms(kPollMs);
    }
    return kExitCompleted;
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
    slot.child = start_child(invocation_, position);
    if (!slot.child) {
      slot.here = true;
      return;
    }
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
  // have printed it. Gives the exit code of an abort.
  int emit(Slot& slot) {
    SystemResult result;
    if (slot.here) {
      global_run_.work_here(slot.profile_name);
      return kExitCompleted;
    }
    if (slot.skipped) {
      global_run_.finish_system(result);
      return kExitCompleted;
    }
    ChildRecords records;
    if (slot.child) records = collect(platform_, slot.child->scratch);
    result.channel_name = records.channel_name;
    result.system_line = records.system_line;
    if (!records.exit_code) {
      // Not answered: nothing it printed counts, the system failed.
      result.state = SystemState::kRfcFailure;
      if (result.system_line.empty()) result.system_line = "* " + platform_.time_of_day() + " " + slot.profile_name;
      if (slot.stopped) note_deadline(invocation_);
      global_run_.finish_system(result);
      return kExitCompleted;
    }
    for (const ChildRecords::Output& output : records.output) {
      if (output.kind == RecordKind::kValue) {
        result.value = output.value;
        global_run_.emit_channel(result);
      } else {
        replay_console(platform_, output);
      }
    }
    if (*records.exit_code == kExitRfcAborted) return kExitRfcAborted;
    result.state = records.state.value_or(SystemState::kRfcFailure);
    global_run_.finish_system(result);
    return kExitCompleted;
  }

  // After an abort, the systems after it leave nothing behind but the files
  // of unknown names that their library wrote.
  void stop_all() {
    for (Slot& slot : slots_) {
      if (!slot.child) continue;
      slot.child->process->kill();
      clear_scratch_folder(platform_, slot.child->scratch);
      slot.child.reset();
    }
  }

  GlobalRun& global_run_;
  Invocation& invocation_;
  Platform& platform_;
  std::vector<Slot> slots_;
};

}  // namespace

int ChildRunner::work_through(GlobalRun& global_run, const std::vector<std::string>& profile_names) {
  sweep_stale_scratch_folders(global_run.invocation().platform);
  ChildScheduler scheduler(global_run, profile_names);
  return scheduler.work();
}

std::optional<int> run_single_in_child(Invocation& invocation, const std::string& destination) {
  Platform& platform = invocation.platform;
  const Options& options = invocation.settings.options;
  sweep_stale_scratch_folders(platform);
  std::optional<Child> child = start_child(invocation, 1);
  if (!child) return std::nullopt;
  const long seconds = options.deadline_seconds.value_or(options.whole_run_seconds());
  const std::uint64_t begun = platform.monotonic_ms();
  bool stopped = false;
  while (!child->process->has_ended()) {
    if (platform.monotonic_ms() - begun >= static_cast<std::uint64_t>(seconds) * 1000) {
      child->process->kill();
      stopped = true;
      break;
    }
    platform.sleep_ms(kPollMs);
  }
  ChildRecords records = collect(platform, child->scratch);
  if (!records.exit_code) {
    if (stopped) note_deadline(invocation);
    return end_with_error_document(platform, error_text(Fault::kSystemTooSlow, {destination, std::to_string(seconds)}));
  }
  for (const ChildRecords::Output& output : records.output) replay_console(platform, output);
  return *records.exit_code;
}

}  // namespace quillar
