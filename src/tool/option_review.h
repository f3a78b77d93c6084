// How the sensor reads an option string, told in words for administrators:
// what each option found does, and what the sensor passes over without a
// word. The options are read by the sensor's own reader; this only looks.
#ifndef QUILLAR_TOOL_OPTION_REVIEW_H_
#define QUILLAR_TOOL_OPTION_REVIEW_H_

#include <string>
#include <string_view>
#include <vector>

#include "driver/options.h"
#include "output/result_document.h"

namespace quillar {

// Splits a command line's arguments as the Windows C runtime splits what
// PRTG passes: blanks and tabs separate, double quotes group, a quote with
// an odd number of backslashes before it is a quote, and two quotes within
// quotes are one.
std::vector<std::string> split_parameters(std::string_view parameters);

// One line for each option the sensor has read, with what it does in
// `mode`.
std::vector<std::string> describe_options(const Options& options, Mode mode);

// Where an option string stands, which settles what the run reads of it.
enum class OptionPlace {
  // The options of a single-system run or of the ITEM form.
  kCommandLine,
  // The command line's options in the GLOBAL form: the key, the mode and
  // the trace are read, the rest comes from the sensor line.
  kGlobalCommandLine,
  // The options of a global profile's sensor line.
  kSensorLine,
};

// What the run does not read of `options`, each with what to write instead:
// keywords without their comma, keywords given twice, keywords in the wrong
// place, words that are no option.
std::vector<std::string> unread_options(std::string_view options, OptionPlace place);

}  // namespace quillar

#endif  // QUILLAR_TOOL_OPTION_REVIEW_H_
