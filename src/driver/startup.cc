#include "driver/startup.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "base/errors.h"
#include "base/texts.h"
#include "profiles/global_profile.h"
#include "profiles/sensor_directory.h"
#include "profiles/system_profile.h"

namespace quillar {

Status read_command_line(const std::vector<std::string>& arguments, RunSettings& settings) {
  if (arguments.empty()) return error_status(Fault::kProfileNameMissing);

  std::string profile_name = arguments[0];
  settings.unread_arguments.assign(arguments.begin() + std::min<std::size_t>(arguments.size(), 3), arguments.end());
  std::string options;
  if (arguments.size() >= 2) options = arguments[1];
  settings.sensor_argument = cut_to(options, kOptionsRoom);
  if (arguments.size() >= 3) options += " " + arguments[2];
  if (options.size() > kOptionsRoom) {
    return error_status(Fault::kOptionsTooLong, {std::to_string(kOptionsRoom)});
  }
  settings.options = read_options(options);
  if (Status limits = check_run_limits(settings.options); !limits.is_ok()) return limits;

  if (settings.options.item) {
    settings.global_run = true;
    if (upper_case(with_default_extension(profile_name)) != upper_case(kItemProfileName)) {
      settings.unread_profile_argument = profile_name;
    }
    profile_name = kItemProfileName;
    settings.item_form_options = read_global_run_options(options);
  }

  profile_name = with_default_extension(profile_name);

  settings.mode = kDefaultMode;
  if (settings.options.mode) {
    std::optional<Mode> mode = find_mode(*settings.options.mode);
    if (!mode) return error_status(Fault::kModeUnknown, {*settings.options.mode, listed_modes()});
    settings.mode = *mode;
  }

  // Windows takes "/" for a folder separator as it takes "\\", so either
  // ends the folder; the PRTG search then drops it. A name whose only
  // separator is its first character is a root-relative name and keeps it.
  std::size_t last_separator = profile_name.find_last_of("\\/");
  if (last_separator != std::string::npos && last_separator > 0) {
    settings.sensor_dir = profile_name.substr(0, last_separator + 1);
    profile_name.erase(0, last_separator + 1);
  }
  if (upper_case(profile_name) == "GLOBAL.P00") {
    profile_name = kGlobalProfileName;
    settings.global_run = true;
    pass_over_global_form_options(settings.options);
  }

  if (profile_name.size() > kProfileNameRoom) {
    return error_status(Fault::kProfileNameTooLong, {std::to_string(kProfileNameRoom)});
  }
  if (settings.sensor_dir.size() > kSensorDirectoryRoom) {
    return error_status(Fault::kProfileFolderTooLong, {std::to_string(kSensorDirectoryRoom)});
  }
  settings.profile_name = profile_name;
  return Status::Ok();
}

bool searches_sensor_directory(const RunSettings& settings) {
  return mode_row(settings.mode).profile_search == ProfileSearch::kPrtgFolder && !settings.options.open_as_named;
}

Status locate_profile(Platform& platform, RunSettings& settings, SearchTrail* trail) {
  if (searches_sensor_directory(settings)) {
    SensorDirectory found;
    Status status = find_sensor_directory(platform, settings.profile_name, found, trail);
    if (!status.is_ok()) return status;
    settings.sensor_dir = found.folder;
    settings.profile_path = settings.sensor_dir + settings.profile_name;
    settings.profile_stream = std::move(found.profile);
    return Status::Ok();
  }
  settings.profile_path = settings.sensor_dir + settings.profile_name;
  settings.profile_stream = platform.open_text(settings.profile_path);
  if (!settings.profile_stream) return error_status(Fault::kProfileMissing, {settings.profile_path});
  return Status::Ok();
}

}  // namespace quillar
