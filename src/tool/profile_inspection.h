// What quillar-profile tells about existing profiles: check reads one as the
// sensor does and names the line at fault; locate shows how the sensor would
// find one; explain shows how the sensor reads its parameters.
#ifndef QUILLAR_TOOL_PROFILE_INSPECTION_H_
#define QUILLAR_TOOL_PROFILE_INSPECTION_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// Checks the profile that the sensor, started in the working directory with
// `arguments` (name, options, more options), would read; a name with a folder
// is opened there. A system profile: prints its entries, the password masked,
// or the sensor's error text and the line and entry at fault. A global
// profile: see review_global_profile. Warns of what the sensor reads
// otherwise than a person sees it. Gives 0 when nothing is wrong.
int check_profile(Platform& platform, const std::vector<std::string>& arguments);

// Shows how the sensor, started in the working directory with `arguments`
// (name, options, more options), would find its profile. Gives 0 when it
// would find and accept one.
int locate_profile_for(Platform& platform, const std::vector<std::string>& arguments);

// Shows how the sensor reads `parameters`, the text typed into PRTG's
// parameters field: the arguments as split, the profile and where it is
// looked for, the mode, each option with its value (in the GLOBAL form those
// of the sensor line too) and what the sensor passes over. Gives 0 when the
// sensor would find its profile and passes over nothing.
int explain_parameters(Platform& platform, std::string_view parameters);

}  // namespace quillar

#endif  // QUILLAR_TOOL_PROFILE_INSPECTION_H_
