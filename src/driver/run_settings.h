// The run settings: what start-up reads from the command line and settles for
// the rest of the run.
#ifndef QUILLAR_DRIVER_RUN_SETTINGS_H_
#define QUILLAR_DRIVER_RUN_SETTINGS_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/capacities.h"
#include "driver/options.h"
#include "output/diagnostics.h"
#include "output/result_document.h"
#include "platform/platform.h"
#include "profiles/sensor_directory.h"

namespace quillar {

inline constexpr char kVersionText[] = "Vers 4.3 / 29.08.22";

// "* %s SAP %s %s" with the time of day, the program word and the version.
std::string make_banner_line(const std::string& time_of_day);

// The profile name and the folder hold at most kProfileNameRoom and
// kSensorDirectoryRoom characters.
struct RunSettings {
  // The start time, "hh:mm:ss": set when the console trace is on, the only
  // output that shows it.
  std::string start_time;
  // "* hh:mm:ss SAP Quillar Vers 4.3 / 29.08.22", from the start time.
  std::string banner_line() const { return make_banner_line(start_time); }
  Mode mode = kDefaultMode;
  // The options of the command line.
  Options options;
  // In the ITEM form, the options of the run, read from the command line
  // as a global run reads its options (see read_global_run_options).
  std::optional<Options> item_form_options;
  // The second argument alone, as typed: in the GLOBAL form it names the
  // sensor in Error 1030.
  std::string sensor_argument;
  // What the command line gives that start-up does not read: the arguments
  // after the third; in the ITEM form a first argument that names another
  // profile than the item profile, which the run reads instead.
  std::vector<std::string> unread_arguments;
  std::optional<std::string> unread_profile_argument;
  bool global_run = false;
  // The profile file name without its folder.
  std::string profile_name;
  // The folder of the profiles, ending in a backslash (or in a "/" as typed),
  // or empty for the working directory.
  std::string sensor_dir;
  // sensor_dir followed by profile_name, once the profile has been located.
  std::string profile_path;
  // The profile as opened while it was located.
  std::unique_ptr<ReadableFile> profile_stream;
};

}  // namespace quillar

#endif  // QUILLAR_DRIVER_RUN_SETTINGS_H_
