#include "tool/profile_search.h"

#include "base/errors.h"
#include "driver/options.h"
#include "driver/startup.h"
#include "profiles/sensor_directory.h"
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
}

}  // namespace

SearchOutcome describe_search(Platform& platform, const RunSettings& settings) {
  SearchOutcome outcome;
  if (!searches_sensor_directory(settings)) {
    const std::string path = settings.sensor_dir + settings.profile_name;
    platform.write_console("Mode " + std::string(mode_row(settings.mode).keyword) + (settings.options.open_as_named ? " with @" : "") +
                           ": the profile is opened where the command line names it, " + platform.full_path(path) +
                           ".\n");
    if (platform.open_text(path)) {
      platform.write_console("Found: the sensor reads it.\n");
      outcome.found = true;
      outcome.folder = settings.sensor_dir;
    } else {
      platform.write_console("Not found: the sensor stops with \"" + error_text(Fault::kProfileMissing, {path}) +
                             "\".\n");
    }
    return outcome;
  }

  platform.write_console("Mode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n");
  SearchTrail trail;
  SensorDirectory found;
  Status search = find_sensor_directory(platform, settings.profile_name, found, &trail);
  found.profile.reset();
  describe_override(platform, trail);
  for (const std::string& path : trail.paths_tried) platform.write_console("Tried: " + platform.full_path(path) + "\n");
  if (search.is_ok()) {
    platform.write_console("Found in " + platform.full_path(found.folder) + ": the sensor reads it.\n");
    outcome.found = true;
    outcome.folder = found.folder;
  } else if (search.fault() == Fault::kInvalidPathUsage && found.folder.empty()) {
    platform.write_console("Found in the working directory, as " + platform.full_path(settings.profile_name) +
                           ": the sensor refuses a profile found in its working directory, whatever the folder is "
                           "named, and stops with \"" + search.text() + "\". PRTG starts the sensor in a folder of "
                           "its own: run the sensor once from PRTG with " + std::string(kSyslogKeyword) +
                           " and look for Quillar.log to see which; name PRTG's Custom Sensors\\ExeXml folder in " +
                           kPathOverrideFile +
                           ", and the search no longer depends on the working directory.\n");
  } else if (search.fault() == Fault::kInvalidPathUsage) {
    platform.write_console("Found in " + platform.full_path(found.folder) + ", which is no ExeXml folder: the "
                           "sensor stops with \"" + search.text() + "\". Put the profile into PRTG's Custom "
                           "Sensors\\ExeXml folder, or name that folder in " + kPathOverrideFile + ".\n");
  } else {
    platform.write_console("The sensor stops with \"" + search.text() +
                           "\": the profile is in none of the places tried.\n");
  }
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
  return describe_search(platform, settings).found ? kToolDone : kToolRefused;
}

}  // namespace quillar
