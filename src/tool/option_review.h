// How the sensor reads an option string, told in words for administrators:
// what each option found does, and what the sensor passes over without a
// word. The options are read by the sensor's own reader, which names what it
// passes over; this only tells it.
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

// What to write instead of each word that the sensor passes over, in the
// order of the list.
std::vector<std::string> skipped_option_notes(const std::vector<SkippedOption>& skipped);

}  // namespace quillar

#endif  // QUILLAR_TOOL_OPTION_REVIEW_H_
