#include "driver/run_steps.h"

#include "base/texts.h"
#include "driver/result_rendering.h"

namespace quillar {

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

bool shows_destination_file_line(const Options& options, const DocumentFormat& format) {
  return options.trace || format.framing != Framing::kXml;
}

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

}  // namespace quillar
