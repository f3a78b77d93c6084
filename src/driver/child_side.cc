#include "driver/child_side.h"

#include <algorithm>
#include <memory>
#include <string>

#include "driver/child_records.h"
#include "rfc/rfc_files.h"
#include "base/status.h"

namespace quillar {
namespace {

// The parent's working directory, seen from a scratch folder.
constexpr char kParentFolder[] = "..\\";

// The console of a child: once the child has entered its scratch folder,
// whatever it prints becomes a record of its stream, written whole and
// flushed at once, so that the error report's output, which ends the
// process, is kept too. A record that cannot be written ends the stream:
// the child then never completes, and exits with kExitRecordsLost.
class RecordingConsole final : public PlatformWrapper {
 public:
  explicit RecordingConsole(Platform& target) : PlatformWrapper(target) {}

  // Enters the job's scratch folder, checks that it is the one the parent
  // made for this job, and starts the stream there. False when any of that
  // failed: the child then records nothing and never completes.
  bool begin(const ChildJob& job) {
    if (!target().enter_directory(job.scratch)) return false;
    std::unique_ptr<Folder> scratch = target().open_folder("");
    if (!scratch || !scratch->owned_by_this_user()) return false;
    if (plain_file_content(*scratch, kJobFile, job.secret.size() + 1) != job.secret) return false;
    stream_ = scratch->write_file(kRecordsFile, FileWriting::kNew);
    return stream_ != nullptr;
  }

  bool broken() const { return broken_; }

  void record(RecordKind kind, std::string_view payload) {
    if (!stream_ || broken_) return;
    broken_ = !stream_->write(encode_record(kind, payload)) || !stream_->flush();
  }

  // Console bytes of `kind`, in records of at most the payload's room.
  void record_output(RecordKind kind, std::string_view text) {
    for (std::size_t at = 0; at < text.size(); at += kRecordPayloadRoom) {
      record(kind, text.substr(at, kRecordPayloadRoom));
    }
  }

  void write_console(std::string_view text) override {
    if (!stream_) return target().write_console(text);
    record_output(RecordKind::kConsole, text);
  }

  // Whether the output ends inside a line is known only where it is printed,
  // after what the parent printed before this child's output.
  void begin_console_line() override {
    if (!stream_) return target().begin_console_line();
    record(RecordKind::kBeginLine, "");
  }

  bool delete_file(const std::string& path) override {
    bool deleted = target().delete_file(path);
    if (path == kTraceFileName) record(RecordKind::kTraceRemoved, "");
    return deleted;
  }

  void finish_output(int exit_code) override {
    record(RecordKind::kEnd, std::to_string(exit_code));
    if (stream_ && !stream_->close()) broken_ = true;
    stream_.reset();
    target().finish_output(exit_code);
  }

 private:
  std::unique_ptr<WritableFile> stream_;
  bool broken_ = false;
};

// What the RFC error report prints in a child: records of their own kind,
// so that the parent tells the report from the rest of the output.
class ReportConsole final : public PlatformWrapper {
 public:
  explicit ReportConsole(RecordingConsole& console)
      : PlatformWrapper(static_cast<Platform&>(console)), console_(console) {}
  void write_console(std::string_view text) override { console_.record_output(RecordKind::kReport, text); }

 private:
  RecordingConsole& console_;
};

// A child's exit code: the run's own, unless a record was lost.
int child_exit_code(const RecordingConsole& console, int exit_code) {
  return console.broken() ? kExitRecordsLost : exit_code;
}

// The run as the child works it: through the recording console, with the
// destination files in the parent's folder.
Invocation through_console(Invocation& invocation, RecordingConsole& console, const ErrorReportTarget& report) {
  return Invocation{console, invocation.settings, invocation.log, invocation.offset_table, invocation.program_path,
                    invocation.rfc_library, report, kParentFolder, invocation.arguments};
}

}  // namespace

int run_single_system_as_child(Invocation& invocation, const LogonEntries& entries, const ChildJob& job) {
  RecordingConsole console(invocation.platform);
  if (job.position != 1 || !console.begin(job)) return kExitErrorDocument;
  ReportConsole report_console(console);
  const ErrorReportTarget report{report_console, invocation.rfc_library.entry_points};
  Invocation child_invocation = through_console(invocation, console, report);
  child_invocation.log.switch_to(console, invocation.settings.options.syslog);
  const int exit_code = run_single_system(child_invocation, entries);
  console.finish_output(exit_code);
  return child_exit_code(console, exit_code);
}

int run_global_system_as_child(Invocation& invocation, const GlobalAllocation& allocation, const Options& options,
                               const ChildJob& job) {
  RecordingConsole console(invocation.platform);
  ReportConsole report_console(console);
  const ErrorReportTarget report{report_console, invocation.rfc_library.entry_points};
  Invocation child_invocation = through_console(invocation, console, report);
  GlobalRun global_run(child_invocation, allocation, options);
  const std::vector<std::string>& names = global_run.profile_names();
  if (job.position > names.size()) return kExitErrorDocument;
  const std::string& name = names[job.position - 1];
  // The profile is opened where the parent found it, before the child leaves
  // the parent's working directory.
  std::unique_ptr<ReadableFile> profile = global_run.open_system_profile(name);
  if (!console.begin(job)) return kExitErrorDocument;
  child_invocation.log.switch_to(console, options.syslog);
  // Each part is recorded as soon as it is known, the value before the rows
  // are released, so that the parent shows what one process would have shown
  // when the release ends the run.
  SystemResult result;
  if (profile) {
    SystemWork work = global_run.begin_system(name, std::move(profile));
    console.record(RecordKind::kChannelName, work.result.channel_name);
    if (!work.result.system_line.empty()) console.record(RecordKind::kSystemLine, work.result.system_line);
    global_run.measure_system(work);
    if (work.result.value) console.record(RecordKind::kValue, std::to_string(*work.result.value));
    global_run.end_system(work);
    result = work.result;
  }
  console.record(RecordKind::kState, std::to_string(static_cast<int>(result.state)));
  console.finish_output(kExitCompleted);
  return child_exit_code(console, kExitCompleted);
}

}  // namespace quillar
