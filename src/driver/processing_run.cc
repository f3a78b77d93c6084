#include "driver/processing_run.h"

#include "driver/sensor.h"
#include "measure/network_usage.h"
#include "output/texts.h"
#include "profiles/system_profile.h"
#include "rfc/connection.h"
#include "rfc/error_report.h"

namespace quillar {
namespace {

// An error document's text holds at most this many characters.
constexpr std::size_t kErrorTextRoom = 127;
// A channel name of the global run holds at most this many characters.
constexpr std::size_t kChannelNameRoom = 43;

std::string system_line(const std::string& time, const std::string& profile_name, const LogonEntries& entries) {
  return "* " + time + " " + profile_name + ", " + entries.hostname + ", " + entries.destination + ", " +
         entries.sysnr + ", " + entries.client;
}

std::string processed_line(Platform& platform) {
  return "\n* " + platform.time_of_day() + " SAP " + kProgramWord + " now processed...\n";
}

bool shows_destination_line(const RunSettings& settings, const ResultDocument& document) {
  return settings.trace || document.format().framing != Framing::kXml;
}

void install_error_report(Run& run, RFC_ENV& environment) {
  set_error_report_target(run.error_report);
  environment = error_report_environment();
  run.rfc_library.entry_points.RfcEnvironment(&environment);
}

}  // namespace

std::string shown_parameters(const std::string& option_text_raw) {
  std::string shown = option_text_raw.substr(0, option_text_raw.find('#'));
  shown = shown.substr(0, shown.find('@'));
  if (shown == "(Parameters " || shown == "(No ") shown.clear();
  return shown.empty() ? "(No Parameters)" : shown;
}

std::string channel_name_for(const std::string& display_selector, const std::string& profile_name,
                             const LogonEntries& entries) {
  std::string name = profile_name;
  if (display_selector == "2" && profile_name.size() >= 4) name = profile_name.substr(0, profile_name.size() - 4);
  if (display_selector == "3") name = entries.hostname;
  if (display_selector == "4") name = entries.destination;
  return std::string(cut_to(name, kChannelNameRoom));
}

int run_single_system(Run& run) {
  Platform& platform = run.platform;
  RunSettings& settings = run.settings;
  ResultDocument& document = run.document;

  LogonEntries entries;
  Status profile = read_system_profile(*settings.profile_stream, settings.profile_name, false, run.offset_table,
                                       entries);
  settings.profile_stream.reset();
  if (!profile.is_ok()) return end_with_error_document(platform, document, profile.text());

  run.log.log_event(0, "program started", run.program_path);
  Status opened = open_rfc_library(platform, run.rfc_library);
  if (!opened.is_ok()) return end_with_error_document(platform, document, opened.text());
  const RfcEntryPoints& rfc = run.rfc_library.entry_points;
  RFC_ENV environment;
  install_error_report(run, environment);
  run.log.log_event(0, "RfcEnvironment called", "");
  document.clear();

  if (settings.trace) {
    platform.write_console(settings.banner_line + "\n");
    platform.write_console(system_line(platform.time_of_day(), settings.profile_name, entries) +
                           " State=Processing\n");
    platform.write_console("* " + platform.time_of_day() + " " + kProgramWord + " - " +
                           shown_parameters(settings.option_text_raw) + " State=Executing\n");
  }

  RfcContext context{platform, rfc, run.log, settings, shows_destination_line(settings, document)};
  LogonRecords records;
  RFC_HANDLE handle = open_sap_connection(context, entries, records);
  if (handle == 0) {
    return end_with_error_document(platform, document, "Error 1011: RFC-Open for " + entries.destination + " failed !");
  }

  NetworkUsage usage;
  SystemOutcome outcome;
  usage.measure_network_usage(context, handle, entries, settings.profile_name, document, run.channels, outcome);
  rfc.RfcClose(handle);

  if (!outcome.call_ok) {
    scan_trace_file(platform, document);
    std::string error_text(cut_to(document.text(), kErrorTextRoom));
    return end_with_error_document(platform, document, error_text);
  }
  platform.write_console(document.text());
  platform.delete_file(kTraceFileName);
  if (settings.trace) platform.write_console(processed_line(platform));
  return kExitCompleted;
}

int run_global(Run& run) {
  Platform& platform = run.platform;
  RunSettings& settings = run.settings;
  ResultDocument& document = run.document;

  // The document head goes out at once and cannot be taken back, so the
  // library is opened before it: a missing library gets its error document.
  Status opened = open_rfc_library(platform, run.rfc_library);
  if (!opened.is_ok()) return end_with_error_document(platform, document, opened.text());
  const RfcEntryPoints& rfc = run.rfc_library.entry_points;

  settings.option_text = upper_case(settings.option_text_raw);
  if (settings.trace) platform.write_console(settings.banner_line + "\n");
  const std::string start_time = settings.trace ? settings.banner_line.substr(2, 8) : std::string();
  blanks_for_colons(settings.option_text_raw);
  settings.option_text_raw = settings.option_text_raw.substr(0, settings.option_text_raw.find(" @"));
  // From here on the options of the sensor line rule the document, the
  // channels and the log.
  document.set_format(document_format(settings.mode_keyword, settings.option_text, settings.option_text_raw));
  run.log.apply_options(platform, settings.option_text);
  if (settings.trace) {
    platform.write_console("* " + start_time + " " + settings.option_text_raw + " State=Executing\n");
  }

  document.begin_document();
  platform.write_console(document.text() + "\n");
  document.clear();

  RfcContext context{platform, rfc, run.log, settings, shows_destination_line(settings, document)};
  RFC_ENV environment;
  LogonRecords records;
  NetworkUsage usage;
  std::uint32_t systems = 0;
  std::uint32_t processed = 0;
  std::uint32_t failed = 0;
  const std::string& listing = settings.server_listing;
  for (std::size_t next = 0; next < listing.size();) {
    ++systems;
    std::size_t end = listing.find('#', next);
    if (end == std::string::npos) end = listing.size();
    settings.profile_name = listing.substr(next, end - next);
    next = end + 1;

    // A name too long for a profile name would stand for another file if it
    // were cut, so it is passed over like a profile that does not open.
    if (settings.profile_name.size() > RunSettings::kProfileNameRoom) continue;
    std::unique_ptr<ReadableFile> profile = platform.open_text(settings.sensor_dir + settings.profile_name);
    if (!profile) continue;

    LogonEntries entries;
    bool valid = read_system_profile(*profile, settings.profile_name, true, run.offset_table, entries).is_ok();
    profile.reset();
    std::string channel_name = channel_name_for(settings.display_selector, settings.profile_name, entries);
    std::string line = settings.trace ? system_line(platform.time_of_day(), settings.profile_name, entries) : "";

    install_error_report(run, environment);
    document.clear();
    SystemOutcome outcome;
    RFC_HANDLE handle = open_sap_connection(context, entries, records);
    if (handle == 0) {
      valid = false;
    } else if (valid) {
      usage.measure_network_usage(context, handle, entries, channel_name, document, run.channels, outcome);
      if (!outcome.call_ok) valid = false;
    }
    if (handle != 0) rfc.RfcClose(handle);

    if (valid && outcome.call_ok && outcome.found) {
      ++processed;
    } else {
      ++failed;
    }
    std::string state = "Processed";
    if (!outcome.found) state = "Not Found";
    if (!valid || !outcome.call_ok) state = "Rfc Failure";
    if (settings.trace) platform.write_console("\n" + line + " State=" + state + "\n");
  }

  // A failed last system leaves its error text in the buffer; it must not
  // stand in front of the summary.
  document.clear();
  document.begin_text();
  document.append_element_text("(***) " + settings.item + ": NoSystems=" + std::to_string(systems) +
                  ", Processed=" + std::to_string(processed) + ", Failed=" + std::to_string(failed));
  document.end_text();
  document.end_document();
  platform.write_console(document.text() + "\n");
  if (settings.trace) platform.write_console(processed_line(platform));
  return kExitCompleted;
}

}  // namespace quillar
