// quillar-profile explain: how the sensor reads the parameters typed into
// PRTG, from the sensor's own readers and what they report passing over.
#ifndef QUILLAR_TOOL_PARAMETER_EXPLANATION_H_
#define QUILLAR_TOOL_PARAMETER_EXPLANATION_H_

#include <string_view>

#include "platform/platform.h"

namespace quillar {

// Shows how the sensor reads `parameters`, the text typed into PRTG's
// parameters field: the arguments as split, the profile and where it is
// looked for, the mode, each option with its value (in the GLOBAL form those
// of the sensor line too) and what the sensor passes over. Gives 0 when the
// sensor would find its profile and passes over nothing.
int explain_parameters(Platform& platform, std::string_view parameters);

}  // namespace quillar

#endif  // QUILLAR_TOOL_PARAMETER_EXPLANATION_H_
