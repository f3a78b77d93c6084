// The global run: one channel for every system of the listing.
#include "base/texts.h"
#include "driver/processing_run.h"
#include "driver/result_rendering.h"
#include "driver/run_steps.h"
#include "measure/network_usage.h"
#include "rfc/rfc_files.h"

namespace quillar {

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
  if (std::optional<std::size_t> channel = channel_of_item(allocation_.item)) {
    work.result.value = measurement.totals[*channel];
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

void GlobalRun::work_system(const std::string& profile_name, std::unique_ptr<ReadableFile> profile,
                            SystemSink& sink) {
  if (!profile) {
    sink.done(SystemResult());
    return;
  }
  SystemWork work = begin_system(profile_name, std::move(profile));
  sink.profile_read(work.result);
  measure_system(work);
  sink.measured(work.result);
  end_system(work);
  sink.done(work.result);
}

namespace {

// A system's output printed as it comes: its channel as soon as its
// measures are known, before its rows are released; its trace line once the
// system is done.
class PrintingSink final : public SystemSink {
 public:
  explicit PrintingSink(GlobalRun& global_run) : global_run_(global_run) {}
  void profile_read(const SystemResult&) override {}
  void measured(const SystemResult& result) override { global_run_.emit_channel(result); }
  void done(const SystemResult& result) override { global_run_.finish_system(result); }

 private:
  GlobalRun& global_run_;
};

}  // namespace

void InProcessRunner::work_through(GlobalRun& global_run, const std::vector<std::string>& profile_names) {
  PrintingSink printing(global_run);
  for (const std::string& name : profile_names) {
    global_run.work_system(name, global_run.open_system_profile(name), printing);
  }
}

void GlobalRun::work_through_listing(SystemRunner& runner) {
  Platform& platform = invocation_.platform;
  const RunSettings& settings = invocation_.settings;
  if (options_.trace) {
    platform.write_console(settings.banner_line() + "\n" +
                           state_line(trace_line(settings.start_time, options_.typed), "Executing") + "\n");
  }
  platform.write_console(tools_->renderer.document_head() + "\n");

  runner.work_through(*this, profile_names());
  print_summary();
  if (options_.trace) platform.write_console(processed_lines(platform.time_of_day()));
}

std::optional<std::size_t> channel_of_item(const std::string& item) {
  for (std::size_t k = 0; k < kChannelLabels.size(); ++k) {
    if (item == kChannelLabels[k]) return k;
  }
  return std::nullopt;
}

Status read_global_allocation(Platform& platform, const RunSettings& settings, GlobalAllocation& allocation) {
  return settings.item_form_options
             ? read_item_profile(platform, settings.profile_path, settings.options.item.value_or(""), allocation)
             : read_global_profile(platform, settings.profile_path, settings.options.sensor_key,
                                   settings.sensor_argument, read_sensor_line, allocation);
}

Status settle_global_options(const RunSettings& settings, const GlobalAllocation& allocation, Options& options) {
  // From here on the options of the sensor line (GLOBAL form) or of the
  // command line (ITEM form) rule the document, the channels, the logon and
  // the log; the trace and "@" stay as the command line set them. The run
  // gets these combined options alone.
  options = settings.item_form_options ? *settings.item_form_options
                                       : read_sensor_line_options(allocation.sensor_options);
  options.trace = settings.options.trace;
  options.open_as_named = settings.options.open_as_named;
  return check_run_limits(options);
}

Status prepare_global_run(Invocation& invocation, const GlobalAllocation& allocation, Options& options) {
  // The document head goes out at once and cannot be taken back, so the
  // library is opened before it: a missing library fails the run.
  Status opened = open_rfc_library(invocation.platform, invocation.rfc_library);
  if (!opened.is_ok()) return opened;
  return settle_global_options(invocation.settings, allocation, options);
}

RunOutcome run_global(Invocation& invocation, const GlobalAllocation& allocation, const Options& options,
                      SystemRunner& children) {
  // Children work in scratch folders of their own; this process's systems
  // work here, and nothing of the document has gone out yet.
  if (!options.uses_children()) {
    Status place = check_trace_file_place(invocation.platform);
    if (!place.is_ok()) return place;
  }
  invocation.log.switch_to(invocation.platform, options.syslog);
  GlobalRun global_run(invocation, allocation, options);
  InProcessRunner in_process;
  global_run.work_through_listing(options.uses_children() ? children : in_process);
  return Status::Ok();
}

}  // namespace quillar
