// quillar-profile check for the global profiles: what the sensor reads of
// "SAP Orvanta.Gbl" or "Orvanta.Prf", and everything in them that leaves a
// global run green with wrong or missing data.
#ifndef QUILLAR_TOOL_GLOBAL_PROFILE_REVIEW_H_
#define QUILLAR_TOOL_GLOBAL_PROFILE_REVIEW_H_

#include <string>

#include "driver/run_settings.h"
#include "platform/platform.h"

namespace quillar {

// Reviews the global profile at `path`, whose listed system profiles lie in
// settings.sensor_dir: the sensor key of the options, or every key when the
// options name none; the ITEM form when the profile is the item profile.
// Prints each key's allocation on standard output and each problem, with its
// line and what to write instead, on standard error. Gives 0 when nothing is
// wrong, 2 otherwise.
int review_global_profile(Platform& platform, const RunSettings& settings, const std::string& path);

}  // namespace quillar

#endif  // QUILLAR_TOOL_GLOBAL_PROFILE_REVIEW_H_
