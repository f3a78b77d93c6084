#include "tool/parameter_explanation.h"

#include <string>
#include <vector>

#include "base/texts.h"
#include "driver/options.h"
#include "driver/startup.h"
#include "profiles/global_profile.h"
#include "tool/item_review.h"
#include "tool/option_review.h"
#include "tool/profile_search.h"
#include "tool/tool_output.h"

namespace quillar {
namespace {

void print_lines(Platform& platform, const std::string& head, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) platform.write_console(head + line + "\n");
}

// Each argument with what the sensor makes of it: the first three by their
// place, the rest as start-up passes them over.
void print_arguments(Platform& platform, const std::vector<std::string>& arguments, const RunSettings& settings) {
  platform.write_console("Arguments as the sensor gets them:\n");
  const char* const kRoles[] = {"the profile", "the options", "joined to the options with a blank"};
  const std::size_t first_unread = arguments.size() - settings.unread_arguments.size();
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    platform.write_console("  " + std::to_string(k + 1) + ": " + arguments[k] + " (" +
                           (k < first_unread ? kRoles[k] : "not read, the sensor reads three arguments at most") +
                           ")\n");
  }
  if (arguments.empty()) platform.write_console("  none\n");
}

enum class SensorLineVerdict { kClean, kPassedOver, kRunStops };

// The options of the sensor line of the GLOBAL form, as its run reads them.
SensorLineVerdict explain_sensor_line_options(Platform& platform, const RunSettings& settings,
                                 const GlobalAllocation& allocation) {
  platform.write_console("Options of the run, from the sensor line of " + settings.options.sensor_key + ": " +
                         (allocation.sensor_options.empty() ? "none" : allocation.sensor_options) + "\n");
  // The console trace, "@" and the mode stay as the command line set them.
  Options run_options = read_sensor_line_options(allocation.sensor_options);
  Options shown = run_options;
  shown.mode.reset();
  shown.item.reset();
  shown.trace = false;
  shown.open_as_named = false;
  print_lines(platform, "  ", describe_options(shown, settings.mode));
  const std::vector<std::string> notes = skipped_option_notes(run_options.skipped);
  print_lines(platform, "Not read: ", notes);
  if (Status limits = check_run_limits(shown); !limits.is_ok()) {
    platform.write_console("The sensor stops with \"" + limits.text() + "\".\n");
    return SensorLineVerdict::kRunStops;
  }
  return notes.empty() ? SensorLineVerdict::kClean : SensorLineVerdict::kPassedOver;
}

// What the sensor line of the GLOBAL form, or the item profile, gives the run.
bool explain_allocation(Platform& platform, const RunSettings& settings, const std::string& folder) {
  const std::string path = folder + settings.profile_name;
  GlobalAllocation allocation;
  const bool item_form = settings.profile_name == kItemProfileName;
  Status read = item_form ? read_item_profile(platform, path, settings.options.item.value_or(""), allocation)
                          : read_global_profile(platform, path, settings.options.sensor_key, settings.sensor_argument,
                                                read_sensor_line, allocation);
  if (!read.is_ok()) {
    platform.write_console("The sensor stops with \"" + read.text() + "\".\n");
    return false;
  }
  bool clean = true;
  if (!item_form) {
    const SensorLineVerdict verdict = explain_sensor_line_options(platform, settings, allocation);
    if (verdict == SensorLineVerdict::kRunStops) return false;
    clean = verdict == SensorLineVerdict::kClean;
  }
  platform.write_console("Item: " + allocation.item + "\nSystems: " + listed_names(allocation.server_listing) + "\n");
  if (std::optional<std::string> problem = item_problem(allocation.item, item_form ? kItemKeyword : kSensorLineItemKeyword)) {
    platform.write_console("Not read: " + *problem + "\n");
    clean = false;
  }
  return clean;
}

// The options as the run reads them: in the ITEM form those of the run, in
// the GLOBAL form only the mode and the trace; the trace and "@" always the
// command line's.
Options options_read_from_command_line(const RunSettings& settings, bool global_form, bool item_form) {
  Options shown = item_form && settings.item_form_options ? *settings.item_form_options : settings.options;
  shown.trace = settings.options.trace;
  shown.open_as_named = settings.options.open_as_named;
  if (!global_form) return shown;
  Options read;
  read.mode = shown.mode;
  read.trace = shown.trace;
  read.open_as_named = shown.open_as_named;
  return read;
}

}  // namespace

int explain_parameters(Platform& platform, std::string_view parameters) {
  const std::vector<std::string> arguments = split_parameters(parameters);
  RunSettings settings;
  Status started = read_command_line(arguments, settings);
  print_arguments(platform, arguments, settings);
  if (!started.is_ok()) {
    platform.write_console("The sensor stops before it looks: " + started.text() + "\n");
    return kToolRefused;
  }
  const bool global_form = settings.profile_name == kGlobalProfileName && settings.global_run;
  const bool item_form = settings.profile_name == kItemProfileName && settings.global_run;
  std::string form;
  if (global_form) form = ", the GLOBAL form for the sensor key " + settings.options.sensor_key;
  if (item_form) form = ", the ITEM form: a global run over the systems it lists";
  platform.write_console("Profile: " + settings.profile_name + form + "\n");
  platform.write_console("Options: " + (settings.options.typed.empty() ? std::string("none") : settings.options.typed) +
                         "\n");
  print_lines(platform, "  ", describe_options(options_read_from_command_line(settings, global_form, item_form),
                                               settings.mode));
  std::vector<std::string> notes = skipped_option_notes(settings.options.skipped);
  if (settings.unread_profile_argument) {
    notes.push_back("the first argument, " + *settings.unread_profile_argument + ", is not read: " +
                    std::string(kItemKeyword) + " makes the run a global run over Orvanta.Prf");
  }
  print_lines(platform, "Not read: ", notes);
  bool clean = settings.unread_arguments.empty() && notes.empty();

  SearchOutcome outcome = describe_search(platform, settings);
  if (!outcome.found) return kToolRefused;
  if (global_form || item_form) clean = explain_allocation(platform, settings, outcome.folder) && clean;
  return clean ? kToolDone : kToolRefused;
}

}  // namespace quillar
