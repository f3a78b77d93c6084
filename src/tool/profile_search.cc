#include "tool/profile_search.h"

#include "base/errors.h"
#include "driver/options.h"
#include "driver/startup.h"
#include "profiles/sensor_directory.h"
#include "output/result_document.h"
#include "tool/library_report.h"
#include "tool/profile_lookup.h"
#include "tool/tool_output.h"

namespace quillar {
namespace {

void describe_override(Platform& platform, const SearchTrail& trail) {
  if (!trail.override_file) {
    platform.write_console(std::string(kPathOverrideFile) +
                           " does not exist: the working directory, then the PRTG folders under \\Programme, "
                           "\\Program Files and \\Program Files (x86) of the current drive are tried.\n");
  } else if (trail.override_line.empty()) {
    platform.write_console(std::string(kPathOverrideFile) +
                           " exists, but none of its lines names a folder: the root of the current drive is the "
                           "base.\n");
  } else {
    platform.write_console(std::string(kPathOverrideFile) + " exists; its line \"" + trail.override_line +
                           "\" names the base folder.\n");
  }
  if (trail.override_report.read_as_utf8) {
    platform.write_console(std::string(kPathOverrideFile) +
                           " is saved as UTF-8, and read so: each line is converted to the ANSI code page, in "
                           "which Windows names folders.\n");
  }
}

// The library that the sensor started here would load, loaded as it loads
// it: where it was found, and what stops the sensor when it does not serve.
void describe_library(Platform& platform) {
  RfcLibrary library;
  const Status opened = open_rfc_library(platform, library);
  if (opened.is_ok()) {
    platform.write_console(library_description(platform, library));
    return;
  }
  const std::string refused = refused_library_line(platform, library);
  platform.write_console((refused.empty() ? std::string("RFC library") : refused) + ": the sensor stops with \"" +
                         opened.text() + "\".\n");
}

}  // namespace

SearchOutcome describe_search(Platform& platform, RunSettings& settings) {
  const ProfileLookup lookup = look_up_profile(platform, settings);
  const Status& status = lookup.status;
  if (!lookup.searched) {
    platform.write_console("Mode " + std::string(mode_row(settings.mode).keyword) +
                           (settings.options.open_as_named ? " with @" : "") +
                           ": the profile is opened where the command line names it, " +
                           platform.full_path(settings.sensor_dir + settings.profile_name) + ".\n");
    platform.write_console(status.is_ok() ? std::string("Found: the sensor reads it.\n")
                                          : "Not found: the sensor stops with \"" + status.text() + "\".\n");
  } else {
    platform.write_console("Mode " + std::string(mode_row(settings.mode).keyword) +
                           ": the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n");
    describe_override(platform, lookup.trail);
    for (const std::string& fault : lookup.override_faults) platform.write_console(fault + ".\n");
    for (const std::string& path : lookup.trail.paths_tried) {
      platform.write_console("Tried: " + platform.full_path(path) + "\n");
    }
    const std::string& opened = lookup.trail.opened_path;
    if (status.is_ok()) {
      platform.write_console("Found in " + platform.full_path(settings.sensor_dir) + ": the sensor reads it.\n");
    } else if (status.fault() == Fault::kInvalidPathUsage && opened == settings.profile_name) {
      platform.write_console("Found in the working directory, as " + platform.full_path(opened) +
                             ": the sensor stops with \"" + status.text() + "\".\n");
    } else if (status.fault() == Fault::kInvalidPathUsage) {
      platform.write_console("Found as " + platform.full_path(opened) + ": the sensor stops with \"" + status.text() +
                             "\".\n");
    } else if (status.fault() == Fault::kProfileMissing) {
      platform.write_console("The sensor stops with \"" + status.text() +
                             "\": the profile is in none of the places tried.\n");
      if (!lookup.unread_path.empty()) {
        platform.write_console("A file of that name lies at " + platform.full_path(lookup.unread_path) +
                               ", where the sensor does not look.\n");
      }
    } else {
      platform.write_console("The sensor stops with \"" + status.text() + "\".\n");
    }
  }
  for (const std::string& advice : lookup.advice) platform.write_console("To do: " + advice + ".\n");
  SearchOutcome outcome;
  outcome.found = status.is_ok();
  outcome.folder = settings.sensor_dir;
  settings.profile_stream.reset();
  return outcome;
}

int locate_profile_for(Platform& platform, const std::vector<std::string>& arguments) {
  RunSettings settings;
  Status started = read_command_line(arguments, settings);
  if (!started.is_ok()) {
    platform.write_console("The sensor stops before it looks: " + started.text() + "\n");
    return kToolRefused;
  }
  platform.write_console("Profile: " + settings.profile_name + "\n");
  const bool found = describe_search(platform, settings).found;
  describe_library(platform);
  return found ? kToolDone : kToolRefused;
}

}  // namespace quillar
