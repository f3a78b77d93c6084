#include "driver/child_scheduler.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "base/errors.h"

namespace quillar {
namespace {

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
      stop_child(platform_, *slot.child);
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
    if (slot.child && working_ != nullptr) collected = collect_child(platform_, *working_, *slot.child, collection_);
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

void schedule_children(GlobalRun& global_run, const std::vector<std::string>& profile_names, Folder* working,
                       const RunClock& clock, bool swept_out_the_run) {
  ChildScheduler scheduler(global_run, profile_names, working, clock, swept_out_the_run);
  scheduler.work();
}

}  // namespace quillar
