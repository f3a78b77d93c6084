// The sensor directory of the PRTG mode: PRTG's Custom Sensors\ExeXml folder,
// found through "C:\PRTG_Path.Txt" or the usual installation folders.
#ifndef QUILLAR_PROFILES_SENSOR_DIRECTORY_H_
#define QUILLAR_PROFILES_SENSOR_DIRECTORY_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/capacities.h"
#include "base/status.h"
#include "platform/platform.h"
#include "profiles/read_report.h"

namespace quillar {

inline constexpr char kPathOverrideFile[] = "C:\\PRTG_Path.Txt";

struct SensorDirectory {
  // Ends in "ExeXml\" (letters in any case).
  std::string folder;
  // The profile, open at its start.
  std::unique_ptr<ReadableFile> profile;
};

// How a search went, for an administrator who wants to know.
struct SearchTrail {
  bool override_file = false;
  // The override file's line that named the base folder; empty when none did.
  std::string override_line;
  // Each line of the override file: taken when it names a folder (the last
  // such is the base), kNoFolder otherwise.
  ReadReport override_report;
  // Each path tried for the profile, in order.
  std::vector<std::string> paths_tried;
  // The path at which the profile was opened, also when the sensor refuses
  // it there; empty when it was found nowhere.
  std::string opened_path;
};

// Whether a line of the override file names a base folder: it starts with a
// backslash, or has a colon second or a backslash third.
bool names_a_base_folder(std::string_view line);

// Whether the sensor reads its profile in `folder`, which ends in a
// backslash: the folder is named ExeXml, in any letter case.
bool is_exexml_folder(std::string_view folder);

// Finds the folder that holds `profile_name` and opens the profile there. The
// override file names a base folder (its last line that names_a_base_folder
// takes, as it stands, or converted to the code page of names when the file
// is saved as UTF-8); without it the
// working directory and the installation folders on the current drive are
// tried in turn. Whichever way it was found, the folder must be an ExeXml
// folder, and no longer than kSensorDirectoryRoom.
Status find_sensor_directory(Platform& platform, const std::string& profile_name,
                             SensorDirectory& found, SearchTrail* trail = nullptr);

}  // namespace quillar

#endif  // QUILLAR_PROFILES_SENSOR_DIRECTORY_H_
