#include "driver/single_run.h"

#include "base/errors.h"
#include "base/texts.h"
#include "driver/processing_run.h"
#include "driver/result_rendering.h"
#include "driver/run_steps.h"
#include "measure/network_usage.h"
#include "rfc/rfc_files.h"

namespace quillar {

Status read_single_profile(Invocation& invocation, LogonEntries& entries) {
  RunSettings& settings = invocation.settings;
  if (!settings.profile_stream) return error_status(Fault::kProfileMissing, {settings.profile_path});
  Status profile = read_system_profile(*settings.profile_stream, settings.profile_name, ProfileUse::kSingleSystem,
                                       invocation.offset_table, entries);
  settings.profile_stream.reset();
  return profile;
}

RunOutcome run_single_system(Invocation& invocation, const LogonEntries& entries) {
  Platform& platform = invocation.platform;
  RunSettings& settings = invocation.settings;
  const Options& options = settings.options;

  invocation.log.log_event(0, "program started", invocation.program_path);
  Status opened = check_trace_file_place(platform);
  if (!opened.is_ok()) return opened;
  opened = open_rfc_library(platform, invocation.rfc_library);
  if (!opened.is_ok()) return opened;
  RFC_ENV environment;
  install_error_report(invocation, environment);
  invocation.log.log_event(0, "RfcEnvironment called", "");

  if (options.trace) {
    const std::string processing_at = platform.time_of_day();
    const std::string executing_at = platform.time_of_day();
    const std::string executing = std::string(kProgramWord) + " - " + shown_parameters(options.typed);
    platform.write_console(settings.banner_line() + "\n" +
                           state_line(system_line(processing_at, settings.profile_name, entries), "Processing") +
                           "\n" + state_line(trace_line(executing_at, executing), "Executing") + "\n");
  }

  const DocumentFormat format = format_for(settings, options);
  RfcContext context = rfc_context(invocation, options);
  LogonRecords records;
  RFC_HANDLE handle = log_on(context, entries, records, shows_destination_file_line(options, format));
  if (handle == 0) return error_status(Fault::kLogonFailed, {entries.destination});

  // The document goes out only once the rows are released and the
  // connection is closed: a release that the library refuses ends the run
  // with its error report alone.
  NetworkUsage usage;
  ITAB_H table = usage.create_table(context.rfc);
  const Measurement measurement = usage.measure_network_usage(context, handle, table, options.interface_name);
  usage.release_table(context.rfc, table);
  context.rfc.RfcClose(handle);

  if (!measurement.call_ok()) {
    // The failure's text with the trace file's remark, cut to its room.
    Status failure = failure_status(measurement);
    return Status::Error(failure.fault(),
                         std::string(cut_to(failure.text() + trace_file_remark(platform), kErrorTextRoom)));
  }
  ResultRenderer renderer(format);
  platform.write_console(renderer.measurement_document(entries.destination, options.interface_name, measurement));
  platform.delete_file(kTraceFileName);
  if (options.trace) platform.write_console(processed_lines(platform.time_of_day()));
  return Status::Ok();
}

}  // namespace quillar
