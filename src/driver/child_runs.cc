#include "driver/child_runs.h"

#include <optional>

#include "driver/run_settings.h"
#include "driver/sensor.h"
#include "output/diagnostics.h"
#include "output/errors.h"
#include "output/texts.h"
#include "profiles/password.h"
#include "rfc/connection.h"

namespace quillar {
namespace {

// What a child leaves in its scratch folder: its console output and the
// result of its system, line by line as it became known.
constexpr char kConsoleFile[] = "console.out";
constexpr char kResultFile[] = "result.txt";
// The files of a run that the parent merges into its own working directory.
constexpr char kLandscapeFile[] = "RfcSim.ini";
// The parent's working directory, seen from a child's scratch folder.
constexpr char kParentFolder[] = "..\\";
// With a deadline, the whole run ends before PRTG's usual 60 seconds.
constexpr std::uint64_t kWholeRunMs = 50000;
constexpr unsigned kPollMs = 5;

// The bytes of a file; nothing when it does not open.
std::optional<std::string> read_file(Platform& platform, const std::string& path) {
  std::unique_ptr<ReadableFile> file = platform.open_bytes(path);
  if (!file) return std::nullopt;
  return read_rest(*file);
}

std::string read_all(Platform& platform, const std::string& path) { return read_file(platform, path).value_or(""); }

void write_all(Platform& platform, const std::string& path, const std::string& content) {
  if (std::unique_ptr<WritableFile> file = platform.create_bytes(path)) {
    file->write(content);
    file->close();
  }
}

void append_all(Platform& platform, const std::string& path, const std::string& content) {
  if (content.empty()) return;
  if (std::unique_ptr<WritableFile> file = platform.append_bytes(path)) {
    file->write(content);
    file->close();
  }
}

// A folder given relative to the parent's working directory, as the child in
// its scratch folder names it.
std::string seen_from_child(const std::string& folder) {
  bool absolute = (!folder.empty() && (folder[0] == '\\' || folder[0] == '/')) ||
                  (folder.size() > 1 && folder[1] == ':');
  return absolute ? folder : kParentFolder + folder;
}

// The console of a child: every text goes to its console file at once, so
// that nothing is lost when the RFC error report ends the child.
class FileConsole final : public Platform {
 public:
  explicit FileConsole(Platform& system) : system_(system), file_(system.append_bytes(kConsoleFile)) {}
  std::size_t written() const { return written_; }

  void write_console(std::string_view text) override {
    if (file_) {
      file_->write(text);
      file_->flush();
    }
    written_ += text.size();
    note_console_output(text);
  }
  // The child's output continues the parent's, which may end inside a line:
  // a line begun before anything else is written is left to the parent to
  // begin, as it emits this output.
  void begin_console_line() override {
    if (written_ == 0) {
      append_all(system_, kResultFile, "begins_line 1\n");
      return;
    }
    Platform::begin_console_line();
  }
  std::unique_ptr<ReadableFile> open_bytes(const std::string& path) override { return system_.open_bytes(path); }
  std::unique_ptr<WritableFile> create_bytes(const std::string& path) override { return system_.create_bytes(path); }
  std::unique_ptr<WritableFile> append_text(const std::string& path) override { return system_.append_text(path); }
  std::unique_ptr<WritableFile> append_bytes(const std::string& path) override { return system_.append_bytes(path); }
  bool delete_file(const std::string& path) override { return system_.delete_file(path); }
  std::string time_of_day() override { return system_.time_of_day(); }
  void write_error_console(std::string_view text) override { system_.write_error_console(text); }
  bool input_is_terminal() override { return false; }
  bool read_secret_line(std::string& line) override {
    line.clear();
    return false;
  }
  std::unique_ptr<SharedLibrary> load_library(const std::string& name, unsigned long& error_code) override {
    return system_.load_library(name, error_code);
  }
  std::string library_file_head(const std::string& name) override { return system_.library_file_head(name); }
  std::string full_path(const std::string& path) override { return system_.full_path(path); }
  std::string failure_reason() override { return system_.failure_reason(); }
  bool make_directory(const std::string& path) override { return system_.make_directory(path); }
  bool remove_directory(const std::string& path) override { return system_.remove_directory(path); }
  std::unique_ptr<ChildProcess> start_program(const std::vector<std::string>&, const std::string&) override {
    return nullptr;
  }
  void end_with_parent() override { system_.end_with_parent(); }
  unsigned long process_id() override { return system_.process_id(); }
  std::uint64_t monotonic_ms() override { return system_.monotonic_ms(); }
  void sleep_ms(unsigned milliseconds) override { system_.sleep_ms(milliseconds); }

 private:
  Platform& system_;
  std::unique_ptr<WritableFile> file_;
  std::size_t written_ = 0;
};

// The child's record of its system, written as each part becomes known.
class RecordingSink final : public SystemSink {
 public:
  RecordingSink(Platform& platform, const FileConsole& console) : platform_(platform), console_(console) {}
  void named(const SystemResult& result) override {
    record("line " + result.system_line + "\n" + "channel " + result.channel_name + "\n");
  }
  void delivered(const SystemResult& result) override {
    if (result.value) record("value " + std::to_string(*result.value) + " " + std::to_string(console_.written()) + "\n");
  }
  void finished(const SystemResult& result) { record("state " + std::to_string(static_cast<int>(result.state)) + "\n"); }

 private:
  void record(const std::string& text) { append_all(platform_, kResultFile, text); }
  Platform& platform_;
  const FileConsole& console_;
};

struct ChildRecord {
  SystemResult result;
  bool finished = false;
  // The child's output begins with a line that must begin a line.
  bool begins_line = false;
  std::size_t channel_at = std::string::npos;
};

ChildRecord read_record(Platform& platform, const std::string& scratch) {
  ChildRecord record;
  const std::string text = read_all(platform, scratch + "\\" + kResultFile);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    const std::string key = line.substr(0, line.find(' '));
    const std::string value = line.size() > key.size() ? line.substr(key.size() + 1) : "";
    if (key == "line") record.result.system_line = value;
    if (key == "channel") record.result.channel_name = value;
    if (key == "value") {
      record.result.value = static_cast<std::uint32_t>(leading_integer(value));
      record.channel_at = static_cast<std::size_t>(leading_integer(value.substr(value.find(' ') + 1)));
    }
    if (key == "begins_line") record.begins_line = true;
    if (key == "state") {
      record.result.state = static_cast<SystemState>(leading_integer(value));
      record.finished = true;
    }
  }
  return record;
}

// Removes a scratch folder with every file a child may leave there.
void remove_scratch(Platform& platform, const std::string& scratch) {
  for (const char* file : {kConsoleFile, kResultFile, kLogFileName, kTraceFileName, kDestinationsFile, kLandscapeFile}) {
    platform.delete_file(scratch + "\\" + file);
  }
  platform.remove_directory(scratch);
}

// Carries what a child left into the parent's working directory, in the
// order a run in one process would have written it, and removes the scratch
// folder.
void merge_and_remove(Platform& platform, const std::string& scratch, bool trace_replaces) {
  append_all(platform, kLogFileName, read_all(platform, scratch + "\\" + kLogFileName));
  std::optional<std::string> trace = read_file(platform, scratch + "\\" + kTraceFileName);
  if (!trace_replaces) {
    append_all(platform, kTraceFileName, trace.value_or(""));
  } else if (trace) {
    write_all(platform, kTraceFileName, *trace);
  } else {
    platform.delete_file(kTraceFileName);
  }
  if (std::optional<std::string> destinations = read_file(platform, scratch + "\\" + kDestinationsFile)) {
    write_all(platform, kDestinationsFile, *destinations);
  }
  remove_scratch(platform, scratch);
}

// One system of the listing and its child.
struct Slot {
  std::string profile_name;
  std::string scratch;
  std::unique_ptr<ChildProcess> child;
  std::uint64_t started_ms = 0;
  bool started = false;
  bool done = false;
  bool deadline_passed = false;
  int exit_code = -1;
};

class ChildScheduler {
 public:
  ChildScheduler(GlobalRun& global_run, const std::vector<std::string>& names)
      : global_run_(global_run), platform_(global_run.run().platform) {
    for (std::size_t k = 0; k < names.size(); ++k) {
      slots_.push_back(Slot{names[k], scratch_name(k), nullptr});
    }
  }

  int run() {
    const Options& options = global_run_.options();
    const std::size_t at_once = static_cast<std::size_t>(options.parallel.value_or(1));
    const std::uint64_t begun = platform_.monotonic_ms();
    std::size_t next_start = 0;
    std::size_t next_emit = 0;
    while (next_emit < slots_.size()) {
      const std::uint64_t now = platform_.monotonic_ms();
      const bool run_over = options.deadline_seconds && now - begun >= kWholeRunMs;
      while (!run_over && next_start < slots_.size() && running() < at_once) start(slots_[next_start++]);
      for (Slot& slot : slots_) watch(slot, now, run_over);
      bool progressed = false;
      while (next_emit < slots_.size() && slots_[next_emit].done) {
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
  std::string scratch_name(std::size_t k) {
    return "Quillar." + std::to_string(platform_.process_id()) + "." + std::to_string(k + 1);
  }

  std::size_t running() const {
    std::size_t count = 0;
    for (const Slot& slot : slots_) count += slot.started && !slot.done ? 1 : 0;
    return count;
  }

  void start(Slot& slot) {
    const Run& run = global_run_.run();
    slot.started = true;
    slot.started_ms = platform_.monotonic_ms();
    // A folder of the same name that an earlier run left would mix its
    // files into this one's.
    remove_scratch(platform_, slot.scratch);
    platform_.make_directory(slot.scratch);
    slot.child = platform_.start_program(
        {kSystemChildArgument, run.settings.mode_keyword, global_run_.allocation().display_selector,
         global_run_.allocation().item, seen_from_child(run.settings.sensor_dir), slot.profile_name,
         run.settings.options.trace ? "1" : "0", global_run_.options_source()},
        slot.scratch);
    if (!slot.child) slot.done = true;
  }

  void watch(Slot& slot, std::uint64_t now, bool run_over) {
    if (slot.done) return;
    if (!slot.started) {
      // The run's own deadline came before this system's turn.
      if (run_over) slot.done = slot.deadline_passed = true;
      return;
    }
    if (std::optional<int> code = slot.child->exit_code()) {
      slot.exit_code = *code;
      slot.done = true;
      return;
    }
    const std::uint64_t deadline_ms = static_cast<std::uint64_t>(global_run_.options().deadline_seconds.value_or(0)) * 1000;
    const bool overdue = deadline_ms > 0 && now > slot.started_ms && now - slot.started_ms >= deadline_ms;
    if (run_over || overdue) {
      slot.child->kill();
      slot.done = slot.deadline_passed = true;
    }
  }

  // Prints what the system came to, exactly where a run in one process
  // would have printed it; gives the exit code of an abort.
  int emit(Slot& slot) {
    ChildRecord record = read_record(platform_, slot.scratch);
    const std::string console = read_all(platform_, slot.scratch + "\\" + kConsoleFile);
    const std::size_t channel_at = std::min(record.channel_at, console.size());
    if (record.begins_line) platform_.begin_console_line();
    platform_.write_console(console.substr(0, channel_at));
    global_run_.emit_channel(record.result);
    platform_.write_console(console.substr(channel_at));
    const bool aborted = !slot.deadline_passed && !record.finished && slot.exit_code == kExitRfcAborted;
    merge_and_remove(platform_, slot.scratch, false);
    if (aborted) return kExitRfcAborted;

    SystemResult& result = record.result;
    if (!record.finished) {
      // Stopped at the deadline, or ended without a result.
      result.state = SystemState::kRfcFailure;
      if (result.system_line.empty()) result.system_line = "* " + platform_.time_of_day() + " " + slot.profile_name;
    }
    if (slot.deadline_passed) global_run_.run().log.log_event(0, "Deadline passed", "");
    global_run_.count(result);
    global_run_.emit_trace_line(result);
    return kExitCompleted;
  }

  void stop_all() {
    for (Slot& slot : slots_) {
      if (slot.started && slot.child) slot.child->kill();
      // The systems after an abort leave nothing behind.
      if (slot.started) remove_scratch(platform_, slot.scratch);
    }
  }


  GlobalRun& global_run_;
  Platform& platform_;
  std::vector<Slot> slots_;
};

// The child's working directory gets the files that the RFC library looks
// for in the working directory: the landscape of the stand-in.
void take_library_files(Platform& platform) {
  if (std::optional<std::string> landscape = read_file(platform, std::string(kParentFolder) + kLandscapeFile)) {
    write_all(platform, kLandscapeFile, *landscape);
  }
}

// --system MODE SELECTOR ITEM SENSOR-DIR PROFILE TRACE OPTIONS
int run_system_child(Platform& system, const std::vector<std::string>& arguments) {
  if (arguments.size() != 8) return kExitErrorDocument;
  FileConsole console(system);
  take_library_files(system);
  RunSettings settings;
  settings.mode_keyword = arguments[1];
  settings.sensor_dir = arguments[4];
  settings.options.trace = arguments[6] == "1";
  const Options options = read_global_run_options(arguments[7]);
  DiagnosticLog log;
  log.switch_to(console, options.syslog);
  GlobalAllocation allocation;
  allocation.display_selector = arguments[2];
  allocation.item = arguments[3];
  const OffsetTable offset_table;
  RfcLibrary library;
  const ErrorReportTarget report{console, library.entry_points};
  Run run{console, settings, log, offset_table, "", library, report, kParentFolder, true};
  if (Status opened = open_rfc_library(console, library); !opened.is_ok()) return kExitErrorDocument;
  GlobalRun global_run(run, allocation, options, arguments[7]);
  RecordingSink sink(system, console);
  SystemResult result = global_run.process_system(arguments[5], sink);
  sink.finished(result);
  return kExitCompleted;
}

// --single MODE PROFILE-PATH PROFILE OPTIONS PROGRAM-PATH
int run_single_child(Platform& system, const std::vector<std::string>& arguments) {
  if (arguments.size() != 6) return kExitErrorDocument;
  FileConsole console(system);
  take_library_files(system);
  RunSettings settings;
  settings.mode_keyword = arguments[1];
  settings.profile_path = arguments[2];
  settings.profile_name = arguments[3];
  settings.options = read_options(arguments[4], arguments[4]);
  if (settings.options.trace) settings.banner_line = make_banner_line(system.time_of_day());
  settings.profile_stream = console.open_text(settings.profile_path);
  if (!settings.profile_stream) {
    return end_with_error_document(console, error_text(Fault::kProfileMissing, {settings.profile_name}));
  }
  DiagnosticLog log;
  log.switch_to(console, settings.options.syslog);
  const OffsetTable offset_table;
  RfcLibrary library;
  const ErrorReportTarget report{console, library.entry_points};
  Run run{console, settings, log, offset_table, arguments[5], library, report, kParentFolder, true};
  return run_single_system(run);
}

}  // namespace

int run_children(GlobalRun& global_run, const std::vector<std::string>& profile_names) {
  ChildScheduler scheduler(global_run, profile_names);
  return scheduler.run();
}

std::optional<int> run_single_in_child(Run& run, const std::string& destination) {
  Platform& platform = run.platform;
  const RunSettings& settings = run.settings;
  const std::string scratch = "Quillar." + std::to_string(platform.process_id()) + ".1";
  remove_scratch(platform, scratch);
  platform.make_directory(scratch);
  // The trace file is read for the error text and removed after a success,
  // so the child starts from the parent's.
  if (std::optional<std::string> trace = read_file(platform, kTraceFileName)) {
    write_all(platform, scratch + "\\" + kTraceFileName, *trace);
  }
  std::unique_ptr<ChildProcess> child = platform.start_program(
      {kSingleChildArgument, settings.mode_keyword, seen_from_child(settings.sensor_dir) + settings.profile_name,
       settings.profile_name, settings.options.typed, run.program_path},
      scratch);
  if (!child) {
    remove_scratch(platform, scratch);
    return std::nullopt;
  }
  const long seconds = settings.options.deadline_seconds.value_or(0);
  const std::uint64_t begun = platform.monotonic_ms();
  std::optional<int> code;
  while (!(code = child->exit_code())) {
    if (seconds > 0 && platform.monotonic_ms() - begun >= static_cast<std::uint64_t>(seconds) * 1000) break;
    platform.sleep_ms(kPollMs);
  }
  if (!code) child->kill();
  platform.write_console(read_all(platform, scratch + "\\" + kConsoleFile));
  merge_and_remove(platform, scratch, true);
  if (!code) {
    run.log.log_event(0, "Deadline passed", "");
    return end_with_error_document(platform, error_text(Fault::kSystemTooSlow, {destination, std::to_string(seconds)}));
  }
  return *code;
}

int run_child(Platform& platform, const std::vector<std::string>& arguments) {
  platform.end_with_parent();
  if (!arguments.empty() && arguments[0] == kSingleChildArgument) return run_single_child(platform, arguments);
  return run_system_child(platform, arguments);
}

}  // namespace quillar
