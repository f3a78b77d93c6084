#include "driver/sensor.h"

#include "driver/child_runs.h"
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
  if (command_line.size() > 1 &&
      (command_line[1] == kSystemChildArgument || command_line[1] == kSingleChildArgument)) {
    return run_child(platform, std::vector<std::string>(command_line.begin() + 1, command_line.end()));
  }
  RunSettings settings;
  const OffsetTable offset_table;
  DiagnosticLog log;

  std::vector<std::string> arguments;
  if (command_line.size() > 1) arguments.assign(command_line.begin() + 1, command_line.end());
  Status status = read_command_line(arguments, settings);
  if (!status.is_ok()) return end_with_error_document(platform, status.text());
  // Only trace lines show the start time, so the clock and its time zone are
  // read only for them.
  if (settings.options.trace) settings.banner_line = make_banner_line(platform.time_of_day());
  log.switch_to(platform, settings.options.syslog);

  status = locate_profile(platform, settings);
  if (!status.is_ok()) return end_with_error_document(platform, status.text());

  RfcLibrary rfc_library;
  const ErrorReportTarget error_report{platform, rfc_library.entry_points};
  Run run{platform, settings, log, offset_table, command_line.empty() ? "" : command_line[0], rfc_library,
          error_report};
  if (!settings.global_run) return run_single_system(run);

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
  return run_global(run, allocation);
}

}  // namespace quillar
