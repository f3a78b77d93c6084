// What quillar-profile tells about existing profiles: check reads one as the
// sensor does and names the line at fault; locate shows how the sensor would
// find one.
#ifndef QUILLAR_DRIVER_PROFILE_INSPECTION_H_
#define QUILLAR_DRIVER_PROFILE_INSPECTION_H_

#include <string>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// Prints the entries of the profile at `path`, the password masked, or the
// sensor's error text and the line and entry at fault. Warns of what the
// sensor reads otherwise than a person sees it. Gives the exit code.
int check_profile(Platform& platform, const std::string& path);

// Shows how the sensor, started in the working directory with `arguments`
// (name, options, more options), would find its profile. Gives 0 when it
// would find and accept one.
int locate_profile_for(Platform& platform, const std::vector<std::string>& arguments);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_PROFILE_INSPECTION_H_
