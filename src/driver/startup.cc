#include "driver/startup.h"

#include <string_view>
#include <utility>

#include "output/texts.h"
#include "profiles/sensor_directory.h"

namespace quillar {
namespace {

}  // namespace

Status read_command_line(const std::vector<std::string>& arguments, RunSettings& settings) {
  if (arguments.empty()) return Status::Error("Error 1001: Parameter for Profile-Name is missing !");

  std::string profile_name = arguments[0];
  std::string options;
  if (arguments.size() >= 2) options = arguments[1];
  settings.sensor_argument = cut_to(options, RunSettings::kOptionTextRoom);
  if (arguments.size() >= 3) options += " " + arguments[2];
  if (options.size() > RunSettings::kOptionTextRoom) {
    return Status::Error("Error 1044: Parameters longer than 127 characters...");
  }
  settings.option_text_raw = options;
  settings.option_text = upper_case(options);

  if (std::optional<std::string> item =
          keyword_value(settings.option_text, settings.option_text_raw, "ITEM=", RunSettings::kItemRoom)) {
    settings.item = *item;
    blanks_for_colons(settings.item);
    settings.global_run = true;
    profile_name = kItemProfileName;
  }

  // The extension test looks at the whole argument, folder included, because
  // the folder is split off only afterwards; existing sensor set-ups name
  // their profiles with that in mind.
  if (profile_name.size() < 4 || profile_name[profile_name.size() - 4] != '.') {
    profile_name += ".P00";
  }

  settings.mode_keyword = kModeExeXml;
  if (std::optional<std::string> mode = keyword_value(settings.option_text, settings.option_text_raw, "MODE=")) {
    std::optional<std::string_view> keyword = find_mode_keyword(*mode);
    if (!keyword) {
      return Status::Error("Error 1041: Mode " + *mode +
                           " is unknown, use EXEXML, Quendal, Dravik, Mervesk or Tolvane...");
    }
    settings.mode_keyword = *keyword;
  }
  settings.trace = settings.option_text.find_first_of("#@$%") != std::string::npos;

  // A name whose only backslash is its first character is a root-relative
  // name and keeps it.
  std::size_t last_backslash = profile_name.rfind('\\');
  if (last_backslash != std::string::npos && last_backslash > 0) {
    settings.sensor_dir = profile_name.substr(0, last_backslash + 1);
    profile_name.erase(0, last_backslash + 1);
  }
  if (upper_case(profile_name) == "GLOBAL.P00") {
    profile_name = kGlobalProfileName;
    settings.global_run = true;
  }

  if (profile_name.size() > RunSettings::kProfileNameRoom) {
    return Status::Error("Error 1042: Profile-Name longer than 63 characters...");
  }
  if (settings.sensor_dir.size() > RunSettings::kSensorDirRoom) {
    return Status::Error(kSensorDirectoryTooLong);
  }
  settings.profile_name = profile_name;
  return Status::Ok();
}

Status locate_profile(Platform& platform, RunSettings& settings) {
  bool prtg_search = settings.mode_keyword == kModeExeXml && !contains(settings.option_text, "@");
  if (prtg_search) {
    SensorDirectory found;
    Status status = find_sensor_directory(platform, settings.profile_name, found);
    if (!status.is_ok()) return status;
    settings.sensor_dir = found.folder;
    settings.profile_path = settings.sensor_dir + settings.profile_name;
    settings.profile_stream = std::move(found.profile);
    return Status::Ok();
  }
  settings.profile_path = settings.sensor_dir + settings.profile_name;
  settings.profile_stream = platform.open_text(settings.profile_path);
  if (!settings.profile_stream) return Status::Error(profile_missing_text(settings.profile_path));
  return Status::Ok();
}

}  // namespace quillar
