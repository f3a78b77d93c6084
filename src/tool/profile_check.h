// quillar-profile check: reads the profile that the sensor would read, with
// the sensor's readers, and names the line at fault from what they report.
#ifndef QUILLAR_TOOL_PROFILE_CHECK_H_
#define QUILLAR_TOOL_PROFILE_CHECK_H_

#include <string>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// Checks the profile that the sensor, started in the working directory with
// `arguments` (name, options, more options), would read, found as the sensor
// finds it. A system profile: prints its entries, the password masked, or
// the sensor's error text and the line and entry at fault. A global profile:
// see review_global_profile. Warns of what the sensor reads otherwise than a
// person sees it. Gives 0 when nothing is wrong.
int check_profile(Platform& platform, const std::vector<std::string>& arguments);

}  // namespace quillar

#endif  // QUILLAR_TOOL_PROFILE_CHECK_H_
