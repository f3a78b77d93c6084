// One run of the sensor, from the command line to the exit code.
#ifndef QUILLAR_DRIVER_SENSOR_H_
#define QUILLAR_DRIVER_SENSOR_H_

#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "platform/platform.h"

namespace quillar {

// Runs the sensor. `command_line` holds the program's path as started, then the
// arguments. Everything is printed through `platform`; the result is the exit
// code for main to return.
int run_sensor(Platform& platform, const std::vector<std::string>& command_line);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_SENSOR_H_
