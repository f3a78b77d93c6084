// One run of the sensor, from the command line to the exit code.
#ifndef QUILLAR_DRIVER_SENSOR_H_
#define QUILLAR_DRIVER_SENSOR_H_

#include <string>
#include <string_view>
#include <vector>

#include "output/result_document.h"
#include "platform/platform.h"

namespace quillar {

// Exit codes of the process.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitRfcAborted = 1;
inline constexpr int kExitErrorDocument = 2;

// Runs the sensor. `command_line` holds the program's path as started, then the
// arguments. Everything is printed through `platform`; the result is the exit
// code for main to return.
int run_sensor(Platform& platform, const std::vector<std::string>& command_line);

// The end of every failed run: the document becomes the error document with
// `error_text`, which is printed as it stands. Gives the exit code.
int end_with_error_document(Platform& platform, ResultDocument& document,
                            std::string_view error_text);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_SENSOR_H_
