#include "driver/sensor.h"

#include "driver/processing_run.h"
#include "driver/run_settings.h"
#include "driver/startup.h"
#include "output/diagnostics.h"
#include "profiles/global_profile.h"
#include "profiles/password.h"

namespace quillar {

int end_with_error_document(Platform& platform, ResultDocument& document,
                            std::string_view error_text) {
  document.write_error_document(error_text);
  platform.write_console(document.text());
  return kExitErrorDocument;
}

int run_sensor(Platform& platform, const std::vector<std::string>& command_line) {
  RunSettings settings;
  const OffsetTable offset_table;
  ResultDocument document;
  DiagnosticLog log;

  std::vector<std::string> arguments;
  if (command_line.size() > 1) arguments.assign(command_line.begin() + 1, command_line.end());
  Status status = read_command_line(arguments, settings);
  if (!status.is_ok()) return end_with_error_document(platform, document, status.text());
  // Only trace lines show the start time, so the clock and its time zone are
  // read only for them.
  if (settings.trace) settings.banner_line = make_banner_line(platform.time_of_day());
  log.apply_options(platform, settings.option_text);
  document.set_format(
      document_format(settings.mode_keyword, settings.option_text, settings.option_text_raw));

  status = locate_profile(platform, settings);
  if (!status.is_ok()) return end_with_error_document(platform, document, status.text());

  ChannelWriter channels;
  RfcLibrary rfc_library;
  const ErrorReportTarget error_report{platform, rfc_library.entry_points};
  Run run{platform,     settings, document, channels, log, offset_table, command_line.empty() ? "" : command_line[0],
          rfc_library, error_report};
  if (settings.global_run) {
    status = read_global_profile(platform, settings);
    if (!status.is_ok()) return end_with_error_document(platform, document, status.text());
    return run_global(run);
  }
  return run_single_system(run);
}

}  // namespace quillar
