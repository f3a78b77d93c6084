// quillar-profile: writes, checks and finds system profiles for
// administrators, with the sensor's own readers, password scrambling and
// start-up.
#ifndef QUILLAR_TOOL_PROFILE_TOOL_H_
#define QUILLAR_TOOL_PROFILE_TOOL_H_

#include <string>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// Runs the tool with the arguments that follow its own path. Gives the exit
// code: 0 done, 2 refused or failed (the reason is on standard error).
int run_profile_tool(Platform& platform, const std::vector<std::string>& arguments);

}  // namespace quillar

#endif  // QUILLAR_TOOL_PROFILE_TOOL_H_
