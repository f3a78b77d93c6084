// How the sensor finds its profile, told for quillar-profile locate and
// explain: the sensor's own search, with its trail.
#ifndef QUILLAR_TOOL_PROFILE_SEARCH_H_
#define QUILLAR_TOOL_PROFILE_SEARCH_H_

#include <string>
#include <vector>

#include "driver/run_settings.h"
#include "platform/platform.h"

namespace quillar {

// Where the sensor's search ended.
struct SearchOutcome {
  bool found = false;
  std::string folder;
};

// Tells on standard output how the sensor with these settings, as
// read_command_line left them, would find its profile, and what to change
// when it would not read it. Leaves the settings as the sensor's
// locate_profile does, the profile closed.
SearchOutcome describe_search(Platform& platform, RunSettings& settings);

// Shows how the sensor, started in the working directory with `arguments`
// (name, options, more options), would find its profile, then the RFC
// library it would use, loaded the same way, or the file that would not
// load and where it was found. Gives 0 when it would find and accept a
// profile, whatever the library.
int locate_profile_for(Platform& platform, const std::vector<std::string>& arguments);

}  // namespace quillar

#endif  // QUILLAR_TOOL_PROFILE_SEARCH_H_
