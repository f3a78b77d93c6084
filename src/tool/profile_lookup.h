// The profile of a run, found by the sensor's own start-up: the one lookup
// that every command of quillar-profile uses which reads or describes the
// profile of a sensor's parameters, so that none can find a profile the
// sensor would not find.
#ifndef QUILLAR_TOOL_PROFILE_LOOKUP_H_
#define QUILLAR_TOOL_PROFILE_LOOKUP_H_

#include <string>
#include <vector>

#include "base/status.h"
#include "driver/run_settings.h"
#include "platform/platform.h"
#include "profiles/sensor_directory.h"

namespace quillar {

struct ProfileLookup {
  // What the sensor's locate_profile gave: Ok, with the settings'
  // profile_path and profile_stream set as for the sensor, or the error the
  // sensor stops with.
  Status status = Status::Ok();
  // The PRTG mode without "@": the profile was searched in PRTG's Custom
  // Sensors\ExeXml folder, and `trail` tells how.
  bool searched = false;
  SearchTrail trail;
  // When the sensor stops: a file of the profile's name that it does not
  // read, where the search refused it, or in the folder typed with the name,
  // or in the working directory. Empty when there is none.
  std::string unread_path;
  // The lines of C:\PRTG_Path.Txt that the sensor reads otherwise than
  // meant (in quotes, with blanks at an end), each with what to write
  // instead.
  std::vector<std::string> override_faults;
  // Where the profile must go for the sensor to read it, and why it is not
  // read where it is; also, when the sensor reads a profile, that it does
  // not read the folder typed with the name.
  std::vector<std::string> advice;
};

// Locates the profile of `settings`, as read_command_line left them, the way
// the sensor does, and says what to change when the sensor would not read
// it.
ProfileLookup look_up_profile(Platform& platform, RunSettings& settings);

}  // namespace quillar

#endif  // QUILLAR_TOOL_PROFILE_LOOKUP_H_
