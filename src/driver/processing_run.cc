#include "driver/processing_run.h"

#include "base/errors.h"
#include "base/texts.h"
#include "driver/error_document.h"
#include "driver/result_rendering.h"
#include "measure/network_usage.h"
#include "output/result_document.h"
#include "rfc/connection.h"
#include "rfc/rfc_files.h"

namespace quillar {
namespace {

// An error document's text after a failed call holds at most this many
// characters.
constexpr std::size_t kErrorTextRoom = 127;
// A channel name of the global run holds at most this many characters.
constexpr std::size_t kChannelNameRoom = 43;

void install_error_report(Invocation& invocation, RFC_ENV& environment) {
  set_error_report_target(invocation.error_report);
  environment = error_report_environment();
  invocation.rfc_library.entry_points.RfcEnvironment(&environment);
}

RfcContext rfc_context(Invocation& invocation, const Options& options) {
  return RfcContext{invocation.platform, invocation.rfc_library.entry_points, invocation.log, options.overrides,
                    invocation.destination_folder};
}

DocumentFormat format_for(const RunSettings& settings, const Options& options) {
  return document_format(settings.mode, options.channel_selection, options.selected_channel);
}

// The "* SapRfc.Ini" line of a logon by destination file is no XML, so the
// XML framings show it only to someone who reads the trace.
bool shows_destination_file_line(const Options& options, const DocumentFormat& format) {
  return options.trace || format.framing != Framing::kXml;
}

// A logon by destination file shows its line before the library is called,
// since a logon that the library aborts ends the run with its error report.
RFC_HANDLE log_on(RfcContext& context, const LogonEntries& entries, LogonRecords& records,
                  bool show_destination_file_line) {
  LogonRoute route = LogonRoute::choose(context, entries.destination);
  if (route.by_destination_file() && show_destination_file_line) {
    // A line reader would take the line as part of a value line before it.
    context.platform.begin_console_line();
    context.platform.write_console(destination_file_line(entries.destination) + "\n");
  }
  return open_sap_connection(context, entries, std::move(route), records);
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

std::string channel_name_for(ChannelNaming naming, const std::string& profile_name, const LogonEntries& entries) {
  std::string name = profile_name;
  switch (naming) {
    case ChannelNaming::kProfileName: break;
    case ChannelNaming::kAlias:
      if (profile_name.size() >= 4) name = profile_name.substr(0, profile_name.size() - 4);
      break;
    case ChannelNaming::kHostName: name = entries.hostname; break;
    case ChannelNaming::kDestination: name = entries.destination; break;
  }
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
  if (handle == 0) return end_with_error_document(platform, error_text(Fault::kLogonFailed, {entries.destination}));

  // The document goes out only once the rows are released and the
  // connection is closed: a release that the library refuses ends the run
  // with its error report alone.
  NetworkUsage usage;
  ITAB_H table = usage.create_table(context.rfc);
  const Measurement measurement = usage.measure_network_usage(context, handle, table, options.interface_name);
  usage.release_table(context.rfc, table);
  context.rfc.RfcClose(handle);

  if (!measurement.call_ok()) {
    std::string failure = failure_text(measurement) + trace_file_remark(platform);
    return end_with_error_document(platform, cut_to(failure, kErrorTextRoom));
  }
  ResultRenderer renderer(format);
  platform.write_console(renderer.measurement_document(entries.destination, options.interface_name, measurement));
  platform.delete_file(kTraceFileName);
  if (options.trace) platform.write_console(processed_lines(platform.time_of_day()));
  return kExitCompleted;
}

// What the work on every system uses and keeps from one system to the next.
struct GlobalRun::SystemTools {
  SystemTools(Invocation& invocation, const Options& options, const DocumentFormat& format)
      : show_destination_file_line(shows_destination_file_line(options, format)),
        context(rfc_context(invocation, options)),
        renderer(format) {}
  const bool show_destination_file_line;
  RfcContext context;
  ResultRenderer renderer;
  RFC_ENV environment{};
  LogonRecords records;
  NetworkUsage usage;
};

GlobalRun::GlobalRun(Invocation& invocation, const GlobalAllocation& allocation, const Options& options)
    : invocation_(invocation),
      allocation_(allocation),
      options_(options),
      tools_(std::make_unique<SystemTools>(invocation, options, format_for(invocation.settings, options))) {}

GlobalRun::~GlobalRun() = default;

const std::vector<std::string>& GlobalRun::profile_names() const { return allocation_.server_listing; }

std::unique_ptr<ReadableFile> GlobalRun::open_system_profile(const std::string& profile_name) {
  // A name too long for a profile name would stand for another file if it
  // were cut, so it is passed over like a profile that does not open.
  if (profile_name.size() > kProfileNameRoom) return nullptr;
  return invocation_.platform.open_text(invocation_.settings.sensor_dir + profile_name);
}

SystemWork GlobalRun::begin_system(const std::string& profile_name, std::unique_ptr<ReadableFile> profile) {
  SystemWork work;
  work.profile_valid =
      read_system_profile(*profile, profile_name, ProfileUse::kGlobalRun, invocation_.offset_table, work.entries)
          .is_ok();
  profile.reset();
  work.result.channel_name = channel_name_for(allocation_.channel_naming, profile_name, work.entries);
  if (options_.trace) {
    work.result.system_line = system_line(invocation_.platform.time_of_day(), profile_name, work.entries);
  }
  return work;
}

void GlobalRun::measure_system(SystemWork& work) {
  install_error_report(invocation_, tools_->environment);
  RfcContext& context = tools_->context;
  work.result.state = SystemState::kRfcFailure;
  work.handle = log_on(context, work.entries, tools_->records, tools_->show_destination_file_line);
  if (work.handle == 0 || !work.profile_valid) return;

  work.table = tools_->usage.create_table(context.rfc);
  const Measurement measurement =
      tools_->usage.measure_network_usage(context, work.handle, work.table, options_.interface_name);
  if (!measurement.call_ok()) return;
  work.result.state = SystemState::kProcessed;
  for (std::size_t k = 0; k < kChannelLabels.size(); ++k) {
    if (allocation_.item == kChannelLabels[k]) work.result.value = measurement.totals[k];
  }
}

void GlobalRun::end_system(SystemWork& work) {
  const RfcEntryPoints& rfc = tools_->context.rfc;
  if (work.table != nullptr) tools_->usage.release_table(rfc, work.table);
  work.table = nullptr;
  if (work.handle != 0) rfc.RfcClose(work.handle);
  work.handle = 0;
}

void GlobalRun::emit_channel(const SystemResult& result) {
  if (!result.value) return;
  invocation_.platform.write_console(tools_->renderer.channel(result.channel_name, *result.value));
}

void GlobalRun::finish_system(const SystemResult& result) {
  ++systems_;
  if (result.state == SystemState::kSkipped) return;
  ++(result.state == SystemState::kProcessed ? processed_ : failed_);
  if (!options_.trace) return;
  invocation_.platform.write_console("\n" + state_line(result.system_line, state_word(result.state)) + "\n");
}

void GlobalRun::note_system_failure(const std::vector<std::string>& lines) {
  Platform& platform = invocation_.platform;
  for (const std::string& line : lines) {
    invocation_.log.log_event(0, line, "");
    if (!options_.trace) continue;
    platform.begin_console_line();
    platform.write_console(trace_line(platform.time_of_day(), line) + "\n");
  }
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
  invocation_.platform.write_console(
      tools_->renderer.summary(allocation_.item, systems_, processed_, failed_) + "\n");
}

// A system's channel goes out as soon as its measures are known, before its
// rows are released; its trace line once the system is done.
void GlobalRun::work_here(const std::string& profile_name) {
  SystemResult result;
  if (std::unique_ptr<ReadableFile> profile = open_system_profile(profile_name)) {
    SystemWork work = begin_system(profile_name, std::move(profile));
    measure_system(work);
    emit_channel(work.result);
    end_system(work);
    result = work.result;
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
    platform.write_console(settings.banner_line() + "\n" +
                           state_line(trace_line(settings.start_time, options_.typed), "Executing") + "\n");
  }
  platform.write_console(tools_->renderer.document_head() + "\n");

  if (runner.work_through(*this, profile_names()) == kExitRfcAborted) return kExitRfcAborted;

  print_summary();
  if (options_.trace) platform.write_console(processed_lines(platform.time_of_day()));
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
  const RunSettings& settings = invocation.settings;
  options = settings.item_form_options ? *settings.item_form_options
                                       : read_global_run_options(allocation.sensor_options);
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
