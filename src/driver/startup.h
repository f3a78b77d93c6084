// Start-up: the command line into the run settings, and the profile located.
#ifndef QUILLAR_DRIVER_STARTUP_H_
#define QUILLAR_DRIVER_STARTUP_H_

#include <string>
#include <vector>

#include "driver/run_settings.h"
#include "base/status.h"
#include "platform/platform.h"

namespace quillar {

// Reads the arguments that follow the program's path: the profile name, the
// option string and its continuation (later ones are ignored). Settles the
// options, the item and the global run, the profile's name and folder, the
// output mode and the console trace.
Status read_command_line(const std::vector<std::string>& arguments, RunSettings& settings);

// Whether the profile is searched for in the sensor directory: in the PRTG
// mode without "@". A folder typed with the name is then not read.
bool searches_sensor_directory(const RunSettings& settings);

// Opens the profile that the settings name, by the output mode: the PRTG mode
// looks for it in the sensor directory, every other mode, and the PRTG mode
// with "@" in the options, opens it where the command line put it. Sets
// profile_path and profile_stream. A `trail` is told how the search of the
// PRTG mode went.
Status locate_profile(Platform& platform, RunSettings& settings, SearchTrail* trail = nullptr);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_STARTUP_H_
