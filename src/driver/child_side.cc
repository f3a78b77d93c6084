#include "driver/child_side.h"

#include <algorithm>
#include <memory>
#include <string>

#include "base/status.h"
#include "driver/child_records.h"
#include "driver/single_run.h"
#include "rfc/rfc_files.h"

namespace quillar {
namespace {

// The parent's working directory, seen from a scratch folder.
constexpr char kParentFolder[] = "..\\";

// What the RFC error report prints in a child: records of their own kind,
// so that the parent tells the report from the rest of the output.
class ReportConsole final : public PlatformWrapper {
 public:
  explicit ReportConsole(ChildConsole& console)
      : PlatformWrapper(static_cast<Platform&>(console)), console_(console) {}
  void write_console(std::string_view text) override { console_.record_output(RecordKind::kReport, text); }

 private:
  ChildConsole& console_;
};

// What the child's system records, as it becomes known: the value before
// the rows are released, so that the parent shows what one process would
// have shown when the release ends the run.
class RecordingSink final : public SystemSink {
 public:
  explicit RecordingSink(ChildConsole& console) : console_(console) {}
  void profile_read(const SystemResult& result) override {
    console_.record(RecordKind::kChannelName, result.channel_name);
    if (!result.system_line.empty()) console_.record(RecordKind::kSystemLine, result.system_line);
  }
  void measured(const SystemResult& result) override {
    if (result.value) console_.record(RecordKind::kValue, std::to_string(*result.value));
  }
  void done(const SystemResult& result) override {
    console_.record(RecordKind::kState, std::to_string(static_cast<int>(result.state)));
  }

 private:
  ChildConsole& console_;
};

// The run as the child works it: the error report prints through its own
// console, and the destination files lie in the parent's folder.
Invocation in_scratch_folder(Invocation& invocation, const ErrorReportTarget& report) {
  return Invocation{invocation.platform, invocation.settings, invocation.log,       invocation.offset_table,
                    invocation.program_path, invocation.rfc_library, report, kParentFolder, invocation.arguments};
}

// A child that is not the job's, or has no system, prints nothing and never
// completes: its parent reports how it ended.
RunOutcome no_child_work() { return RunOutcome::printed(kExitErrorDocument); }

}  // namespace

ChildConsole::ChildConsole(Platform& target) : PlatformWrapper(target) {}

bool ChildConsole::begin(const ChildJob& job) {
  if (!target().enter_directory(job.scratch)) return false;
  std::unique_ptr<Folder> scratch = target().open_folder("");
  if (!scratch || !scratch->private_to_this_user()) return false;
  if (plain_file_content(*scratch, kJobFile, job.secret.size() + 1) != job.secret) return false;
  stream_ = scratch->write_file(kRecordsFile, FileWriting::kNew);
  return stream_ != nullptr;
}

void ChildConsole::record(RecordKind kind, std::string_view payload) {
  if (!stream_ || broken_) return;
  broken_ = !stream_->write(encode_record(kind, payload)) || !stream_->flush();
}

void ChildConsole::record_output(RecordKind kind, std::string_view text) {
  for (std::size_t at = 0; at < text.size(); at += kRecordPayloadRoom) {
    record(kind, text.substr(at, kRecordPayloadRoom));
  }
}

void ChildConsole::write_console(std::string_view text) {
  if (!stream_) return target().write_console(text);
  record_output(RecordKind::kConsole, text);
}

void ChildConsole::begin_console_line() {
  if (!stream_) return target().begin_console_line();
  record(RecordKind::kBeginLine, "");
}

bool ChildConsole::delete_file(const std::string& path) {
  bool deleted = target().delete_file(path);
  if (path == kTraceFileName) record(RecordKind::kTraceRemoved, "");
  return deleted;
}

void ChildConsole::finish_output(int exit_code) {
  record(RecordKind::kEnd, std::to_string(exit_code));
  if (stream_ && !stream_->close()) broken_ = true;
  stream_.reset();
  target().finish_output(exit_code);
}

int ChildConsole::exit_code(int run_exit_code) const { return broken_ ? kExitRecordsLost : run_exit_code; }

RunOutcome run_single_system_as_child(Invocation& invocation, const LogonEntries& entries, const ChildJob& job,
                                      ChildConsole& console) {
  if (job.position != 1 || !console.begin(job)) return no_child_work();
  ReportConsole report_console(console);
  const ErrorReportTarget report{report_console, invocation.rfc_library.entry_points};
  Invocation child_invocation = in_scratch_folder(invocation, report);
  child_invocation.log.switch_to(console, invocation.settings.options.syslog);
  return run_single_system(child_invocation, entries);
}

RunOutcome run_global_system_as_child(Invocation& invocation, const GlobalAllocation& allocation,
                                      const Options& options, const ChildJob& job, ChildConsole& console) {
  ReportConsole report_console(console);
  const ErrorReportTarget report{report_console, invocation.rfc_library.entry_points};
  Invocation child_invocation = in_scratch_folder(invocation, report);
  GlobalRun global_run(child_invocation, allocation, options);
  const std::vector<std::string>& names = global_run.profile_names();
  if (job.position > names.size()) return no_child_work();
  const std::string& name = names[job.position - 1];
  // The profile is opened where the parent found it, before the child leaves
  // the parent's working directory.
  std::unique_ptr<ReadableFile> profile = global_run.open_system_profile(name);
  if (!console.begin(job)) return no_child_work();
  child_invocation.log.switch_to(console, options.syslog);
  RecordingSink recording(console);
  global_run.work_system(name, std::move(profile), recording);
  return Status::Ok();
}

}  // namespace quillar
