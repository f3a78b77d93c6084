// The global profiles, which allocate a sensor to several SAP systems:
// "SAP Orvanta.Gbl" (GLOBAL form, looked up under the sensor key) and
// "Orvanta.Prf" (ITEM form, the item given on the command line).
#ifndef QUILLAR_PROFILES_GLOBAL_PROFILE_H_
#define QUILLAR_PROFILES_GLOBAL_PROFILE_H_

#include "driver/run_settings.h"
#include "output/status.h"
#include "platform/platform.h"

namespace quillar {

// Reads the global profile at settings.profile_path (closing the stream that
// located it) and fills server_listing, display_selector and item, and in
// the GLOBAL form option_text_raw from the sensor line. The listing always
// ends in "#": a last name without one is taken as a name, and a listing
// beyond its room is cut after the last whole name that fits.
Status read_global_profile(Platform& platform, RunSettings& settings);

}  // namespace quillar

#endif  // QUILLAR_PROFILES_GLOBAL_PROFILE_H_
