// The run settings: what start-up reads from the command line and settles for
// the rest of the run.
#ifndef QUILLAR_DRIVER_RUN_SETTINGS_H_
#define QUILLAR_DRIVER_RUN_SETTINGS_H_

#include <cstddef>
#include <memory>
#include <string>

#include "output/result_document.h"
#include "platform/platform.h"
#include "profiles/sensor_directory.h"

namespace quillar {

inline constexpr char kProgramWord[] = "Quillar";
inline constexpr char kVersionText[] = "Vers 4.3 / 29.08.22";

// The profiles of the global run.
inline constexpr char kItemProfileName[] = "Orvanta.Prf";
inline constexpr char kGlobalProfileName[] = "SAP Orvanta.Gbl";

struct RunSettings {
  // The most characters each text holds. A value that would not fit is refused
  // where cutting it would change which file or system the run uses, and cut
  // where it is only shown.
  static constexpr std::size_t kOptionTextRoom = 127;
  static constexpr std::size_t kItemRoom = 90;
  static constexpr std::size_t kProfileNameRoom = 63;
  static constexpr std::size_t kSensorDirRoom = kSensorDirectoryRoom;

  // "* hh:mm:ss SAP Quillar Vers 4.3 / 29.08.22", from the start time; set
  // when the console trace is on, the only output that shows it.
  std::string banner_line;
  // Console trace lines: the option string holds "#", "@", "$" or "%".
  bool trace = false;
  // One of kModeKeywords.
  std::string mode_keyword{kModeExeXml};
  // The option string upper-cased (a to z), in which keywords are found, and as
  // typed, from which values are taken at the same positions.
  std::string option_text;
  std::string option_text_raw;
  // The second argument alone, as typed: in the GLOBAL form it names the
  // sensor in Error 1030.
  std::string sensor_argument;
  // The channel name that the global run reports for every system.
  std::string item;
  bool global_run = false;
  // The profile file name without its folder.
  std::string profile_name;
  // The folder of the profiles, ending in a backslash, or empty for the working
  // directory.
  std::string sensor_dir;
  // sensor_dir followed by profile_name, once the profile has been located.
  std::string profile_path;
  // The profile as opened while it was located.
  std::unique_ptr<ReadableFile> profile_stream;
  // Allocation of the global run: system profile names each ended by "#", and
  // how the systems are named ("1" to "4").
  static constexpr std::size_t kServerListingRoom = 2047;
  std::string server_listing;
  std::string display_selector = "1";
};

// "* %s SAP %s %s" with the time of day, the program word and the version.
std::string make_banner_line(const std::string& time_of_day);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_RUN_SETTINGS_H_
