#include "driver/sensor.h"

#include "driver/child_job.h"
#include "driver/child_runs.h"
#include "driver/child_side.h"
#include "driver/processing_run.h"
#include "driver/run_settings.h"
#include "driver/startup.h"
#include "output/diagnostics.h"
#include "output/result_document.h"
#include "profiles/global_profile.h"
#include "profiles/password.h"

namespace quillar {

int end_with_error_document(Platform& platform, std::string_view error_text) {
  ResultDocument document;
  document.write_error_document(error_text);
  platform.write_console(document.text());
  return kExitErrorDocument;
}

int run_sensor(Platform& platform, const std::vector<std::string>& command_line) {
  RunSettings settings;
  const OffsetTable offset_table;
  DiagnosticLog log;

  std::vector<std::string> arguments;
  if (command_line.size() > 1) arguments.assign(command_line.begin() + 1, command_line.end());
  // A child goes through the same start-up as its parent; it only ends with
  // its parent and keeps its log for its scratch folder.
  const std::optional<ChildJob> child_job = take_child_job(arguments);
  if (child_job) platform.end_with_parent(child_job->parent_id);
  Status status = read_command_line(arguments, settings);
  if (!status.is_ok()) return end_with_error_document(platform, status.text());
  // Only trace lines show the start time, so the clock and its time zone are
  // read only for them.
  if (settings.options.trace) settings.banner_line = make_banner_line(platform.time_of_day());
  if (!child_job) log.switch_to(platform, settings.options.syslog);

  status = locate_profile(platform, settings);
  if (!status.is_ok()) return end_with_error_document(platform, status.text());

  RfcLibrary rfc_library;
  const ErrorReportTarget error_report{platform, rfc_library.entry_points};
  Run run{platform, settings, log, offset_table, command_line.empty() ? "" : command_line[0], rfc_library,
          error_report, "", arguments};
  if (!settings.global_run) {
    LogonEntries entries;
    status = read_single_profile(run, entries);
    if (!status.is_ok()) return end_with_error_document(platform, status.text());
    if (child_job) return run_single_system_as_child(run, entries, *child_job);
    if (settings.options.uses_children()) {
      if (std::optional<int> code = run_single_in_child(run, entries.destination)) return *code;
    }
    return run_single_system(run, entries);
  }

  // The profile was opened to locate it; the reader opens it anew.
  settings.profile_stream.reset();
  GlobalAllocation allocation;
  if (settings.profile_name == kItemProfileName) {
    status = read_item_profile(platform, settings.profile_path, settings.options.item.value_or(""), allocation);
  } else {
    status = read_global_profile(platform, settings.profile_path, settings.options.sensor_key,
                                 settings.sensor_argument, allocation);
  }
  if (!status.is_ok()) return end_with_error_document(platform, status.text());
  Options options;
  status = prepare_global_run(run, allocation, options);
  if (!status.is_ok()) return end_with_error_document(platform, status.text());
  if (child_job) return run_global_system_as_child(run, allocation, options, *child_job);
  ChildRunner children;
  return run_global(run, allocation, options, children);
}

}  // namespace quillar
