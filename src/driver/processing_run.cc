#include "driver/processing_run.h"

#include "driver/error_document.h"
#include "measure/network_usage.h"
#include "output/channel_writer.h"
#include "base/errors.h"
#include "output/result_document.h"
#include "base/texts.h"
#include "rfc/connection.h"
#include "rfc/rfc_files.h"

namespace quillar {
namespace {

// An error document's text after a failed call holds at most this many
// characters.
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

void install_error_report(Invocation& invocation, RFC_ENV& environment) {
  set_error_report_target(invocation.error_report);
  environment = error_report_environment();
  invocation.rfc_library.entry_points.RfcEnvironment(&environment);
}

// The "* SapRfc.Ini" line of a destination logon is no XML, so the XML
// framings show it only to someone who reads the trace.
RfcContext rfc_context(Invocation& invocation, const Options& options, const DocumentFormat& format) {
  return RfcContext{invocation.platform, invocation.rfc_library.entry_points, invocation.log, options.overrides,
                    options.trace || format.framing != Framing::kXml,
                    invocation.destination_folder};
}

DocumentFormat format_for(const RunSettings& settings, const Options& options) {
  return document_format(settings.mode_keyword, options.channel_selection, options.selected_channel);
}

// The document of a single-system run: the message and the six channels.
std::string render_measurement(const DocumentFormat& format, const Measurement& measurement) {
  ResultDocument document(format);
  ChannelWriter channels;
  document.begin_document();
  document.write_text(measurement.message);
  for (std::size_t k = 0; k < kChannelLabels.size(); ++k) {
    channels.write_channel(document, "", kChannelLabels[k], std::to_string(measurement.totals[k]), "");
  }
  document.end_document();
  return document.text();
}

}  // namespace

const char* state_word(SystemState state) {
  switch (state) {
    case SystemState::kProcessed: return "Processed";
    case SystemState::kRfcFailure: return "Rfc Failure";
    case SystemState::kSkipped: break;
  }
  return "";
}

std::string shown_parameters(const std::string& typed_options) {
  std::string shown = typed_options.substr(0, typed_options.find('#'));
  shown = shown.substr(0, shown.find('@'));
  // Existing sensor set-ups write these two placeholders for "nothing".
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

Status read_single_profile(Invocation& invocation, LogonEntries& entries) {
  RunSettings& settings = invocation.settings;
  if (!settings.profile_stream) return error_status(Fault::kProfileMissing, {settings.profile_path});
  Status profile = read_system_profile(*settings.profile_stream, settings.profile_name, ProfileUse::kSingleSystem,
                                       invocation.offset_table, entries);
  settings.profile_stream.reset();
  return profile;
}

int run_single_system(Invocation& invocation, const LogonEntries& entries) {
  Platform& platform = invocation.platform;
  RunSettings& settings = invocation.settings;
  const Options& options = settings.options;

  invocation.log.log_event(0, "program started", invocation.program_path);
  Status opened = open_rfc_library(platform, invocation.rfc_library);
  if (!opened.is_ok()) return end_with_error_document(platform, opened.text());
  RFC_ENV environment;
  install_error_report(invocation, environment);
  invocation.log.log_event(0, "RfcEnvironment called", "");

  if (options.trace) {
    platform.write_console(settings.banner_line + "\n");
    platform.write_console(system_line(platform.time_of_day(), settings.profile_name, entries) +
                           " State=Processing\n");
    platform.write_console("* " + platform.time_of_day() + " " + kProgramWord + " - " +
                           shown_parameters(options.typed) + " State=Executing\n");
  }

  const DocumentFormat format = format_for(settings, options);
  RfcContext context = rfc_context(invocation, options, format);
  LogonRecords records;
  RFC_HANDLE handle = open_sap_connection(context, entries, records);
  if (handle == 0) return end_with_error_document(platform, error_text(Fault::kLogonFailed, {entries.destination}));

  NetworkUsage usage;
  Measurement measurement = usage.measure_network_usage(context, handle, entries.destination, options.interface_name);
  context.rfc.RfcClose(handle);

  if (!measurement.call_ok()) {
    std::string failure = measurement.failure_text + trace_file_remark(platform);
    return end_with_error_document(platform, cut_to(failure, kErrorTextRoom));
  }
  platform.write_console(render_measurement(format, measurement));
  platform.delete_file(kTraceFileName);
  if (options.trace) platform.write_console(processed_line(platform));
  return kExitCompleted;
}

// What the work on every system uses and keeps from one system to the next.
struct GlobalRun::SystemTools {
  SystemTools(Invocation& invocation, const Options& options)
      : format(format_for(invocation.settings, options)), context(rfc_context(invocation, options, format)) {}
  const DocumentFormat format;
  RfcContext context;
  ChannelWriter channels;
  RFC_ENV environment{};
  LogonRecords records;
  NetworkUsage usage;
};

GlobalRun::GlobalRun(Invocation& invocation, const GlobalAllocation& allocation, const Options& options)
    : invocation_(invocation),
      allocation_(allocation),
      options_(options),
      tools_(std::make_unique<SystemTools>(invocation, options)) {}

GlobalRun::~GlobalRun() = default;

std::vector<std::string> GlobalRun::profile_names() const {
  std::vector<std::string> names;
  const std::string& listing = allocation_.server_listing;
  for (std::size_t next = 0; next < listing.size();) {
    std::size_t end = std::min(listing.find('#', next), listing.size());
    names.push_back(listing.substr(next, end - next));
    next = end + 1;
  }
  return names;
}

std::unique_ptr<ReadableFile> GlobalRun::open_system_profile(const std::string& profile_name) {
  // A name too long for a profile name would stand for another file if it
  // were cut, so it is passed over like a profile that does not open.
  if (profile_name.size() > RunSettings::kProfileNameRoom) return nullptr;
  return invocation_.platform.open_text(invocation_.settings.sensor_dir + profile_name);
}

SystemResult GlobalRun::process_system(const std::string& profile_name, std::unique_ptr<ReadableFile> profile,
                                       SystemSink& sink) {
  Platform& platform = invocation_.platform;
  SystemResult result;
  LogonEntries entries;
  bool valid =
      read_system_profile(*profile, profile_name, ProfileUse::kGlobalRun, invocation_.offset_table, entries).is_ok();
  profile.reset();
  result.channel_name = channel_name_for(allocation_.display_selector, profile_name, entries);
  if (options_.trace) {
    result.system_line = system_line(platform.time_of_day(), profile_name, entries);
  }
  sink.named(result);

  install_error_report(invocation_, tools_->environment);
  // The logon is tried whether or not the profile is valid.
  RfcContext& context = tools_->context;
  RFC_HANDLE handle = open_sap_connection(context, entries, tools_->records);
  Measurement measurement;
  bool measured = false;
  if (handle == 0) {
    valid = false;
  } else if (valid) {
    auto delivered = [&](const Measurement& delivered_measurement) {
      for (std::size_t k = 0; k < kChannelLabels.size(); ++k) {
        if (allocation_.item == kChannelLabels[k]) result.value = delivered_measurement.totals[k];
      }
      sink.delivered(result);
    };
    measurement = tools_->usage.measure_network_usage(context, handle, entries.destination,
                                                       options_.interface_name, delivered);
    measured = true;
    if (!measurement.call_ok()) valid = false;
  }
  if (handle != 0) context.rfc.RfcClose(handle);

  const bool call_ok = measured && measurement.call_ok();
  result.state = valid && call_ok ? SystemState::kProcessed : SystemState::kRfcFailure;
  return result;
}

// A system's channel goes out as soon as its measures are known, its trace
// line once the system is done.
void GlobalRun::emit_channel(const SystemResult& result) {
  if (!result.value) return;
  ResultDocument document(tools_->format);
  const std::string value = std::to_string(*result.value);
  tools_->channels.write_channel(document, result.channel_name, result.channel_name, value, "");
  invocation_.platform.write_console(document.text());
}

void GlobalRun::finish_system(const SystemResult& result) {
  ++systems_;
  if (result.state == SystemState::kSkipped) return;
  ++(result.state == SystemState::kProcessed ? processed_ : failed_);
  if (!options_.trace) return;
  invocation_.platform.write_console("\n" + result.system_line + " State=" + state_word(result.state) + "\n");
}

void GlobalRun::print_summary() {
  // One more channel that a limit in PRTG can watch, since a run whose
  // systems all fail still completes.
  if (options_.failed_channel) {
    SystemResult failed_systems;
    failed_systems.channel_name = kFailedSystemsChannel;
    failed_systems.value = failed_;
    emit_channel(failed_systems);
  }
  ResultDocument document(tools_->format);
  document.write_text("(***) " + allocation_.item + ": NoSystems=" + std::to_string(systems_) +
                      ", Processed=" + std::to_string(processed_) + ", Failed=" + std::to_string(failed_));
  document.end_document();
  invocation_.platform.write_console(document.text() + "\n");
}

namespace {

// In one process, a channel is printed as soon as it is known.
class PrintingSink final : public SystemSink {
 public:
  explicit PrintingSink(GlobalRun& invocation) : invocation_(invocation) {}
  void delivered(const SystemResult& result) override { invocation_.emit_channel(result); }

 private:
  GlobalRun& invocation_;
};

}  // namespace

void GlobalRun::work_here(const std::string& profile_name) {
  SystemResult result;
  if (std::unique_ptr<ReadableFile> profile = open_system_profile(profile_name)) {
    PrintingSink sink(*this);
    result = process_system(profile_name, std::move(profile), sink);
  }
  finish_system(result);
}

int InProcessRunner::work_through(GlobalRun& global_run, const std::vector<std::string>& profile_names) {
  for (const std::string& name : profile_names) global_run.work_here(name);
  return kExitCompleted;
}

int GlobalRun::work_through_listing(SystemRunner& runner) {
  Platform& platform = invocation_.platform;
  const RunSettings& settings = invocation_.settings;
  if (options_.trace) {
    platform.write_console(settings.banner_line + "\n");
    platform.write_console("* " + settings.banner_line.substr(2, 8) + " " + options_.typed + " State=Executing\n");
  }
  ResultDocument head(tools_->format);
  head.begin_document();
  platform.write_console(head.text() + "\n");

  if (runner.work_through(*this, profile_names()) == kExitRfcAborted) return kExitRfcAborted;

  print_summary();
  if (options_.trace) platform.write_console(processed_line(platform));
  return kExitCompleted;
}

Status prepare_global_run(Invocation& invocation, const GlobalAllocation& allocation, Options& options) {
  // The document head goes out at once and cannot be taken back, so the
  // library is opened before it: a missing library gets its error document.
  Status opened = open_rfc_library(invocation.platform, invocation.rfc_library);
  if (!opened.is_ok()) return opened;

  // From here on the options of the sensor line (GLOBAL form) or of the
  // command line (ITEM form) rule the document, the channels, the logon and
  // the log; the trace and "@" stay as the command line set them. The run
  // gets these combined options alone.
  const bool item_form = invocation.settings.profile_name == kItemProfileName;
  options = read_global_run_options(item_form ? invocation.settings.options.typed : allocation.sensor_options);
  options.trace = invocation.settings.options.trace;
  options.open_as_named = invocation.settings.options.open_as_named;
  return check_run_limits(options);
}

int run_global(Invocation& invocation, const GlobalAllocation& allocation, const Options& options,
               SystemRunner& children) {
  invocation.log.switch_to(invocation.platform, options.syslog);
  GlobalRun global_run(invocation, allocation, options);
  InProcessRunner in_process;
  return global_run.work_through_listing(options.uses_children() ? children : in_process);
}

}  // namespace quillar
