#include "tool/option_review.h"

#include "base/texts.h"
#include "driver/option_keywords.h"

namespace quillar {

std::vector<std::string> split_parameters(std::string_view parameters) {
  std::vector<std::string> arguments;
  std::string argument;
  bool in_argument = false;
  bool quoted = false;
  for (std::size_t at = 0; at < parameters.size();) {
    char c = parameters[at];
    if (c == '\\') {
      std::size_t end = parameters.find_first_not_of('\\', at);
      if (end == std::string_view::npos) end = parameters.size();
      std::size_t backslashes = end - at;
      in_argument = true;
      if (end < parameters.size() && parameters[end] == '"') {
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          argument += '"';
          ++end;
        }
      } else {
        argument.append(backslashes, '\\');
      }
      at = end;
    } else if (c == '"') {
      in_argument = true;
      if (quoted && at + 1 < parameters.size() && parameters[at + 1] == '"') {
        argument += '"';
        at += 2;
      } else {
        quoted = !quoted;
        ++at;
      }
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_argument) arguments.push_back(argument);
      argument.clear();
      in_argument = false;
      ++at;
    } else {
      argument += c;
      in_argument = true;
      ++at;
    }
  }
  if (in_argument) arguments.push_back(argument);
  return arguments;
}

std::vector<std::string> describe_options(const Options& options, Mode mode) {
  std::vector<std::string> lines;
  for (const OptionKeyword& keyword : kOptionKeywords) {
    const std::optional<std::string> value = shown_value(keyword, options);
    if (!value) continue;
    std::string effect = filled_in(keyword.effect, *value);
    if (keyword.read_by && mode_row(mode).framing != *keyword.read_by) {
      effect = "read by the mode " + modes_reading(keyword) + " only, so without effect here";
    }
    lines.push_back(std::string(keyword.name) + *value + ": " + effect);
  }
  if (options.open_as_named) {
    lines.push_back("@: the profile is opened where the first argument names it, without PRTG's folder search");
  }
  if (options.trace) {
    lines.push_back(
        "console trace on (a \"#\", \"@\", \"$\" or \"%\" in the options): trace lines come before the "
        "document, which PRTG then cannot read");
  }
  return lines;
}

namespace {

std::string skipped_option_note(const SkippedOption& skipped) {
  switch (skipped.reason) {
    case OptionSkip::kWithoutComma:
      return skipped.word + " is not read without its comma: write ," + skipped.word;
    case OptionSkip::kGlobalFormCommandLine:
      return skipped.word +
             " on the command line is not read in the GLOBAL form, whose run takes its options from the sensor "
             "line: write it on the sensor line";
    case OptionSkip::kModeOnSensorLine:
      return skipped.word +
             " on the sensor line is not read, the output mode is the command line's: write it into the sensor's "
             "parameters in PRTG, after the sensor key";
    case OptionSkip::kRepeated:
      return std::string(skipped.keyword) + " stands twice: the sensor reads the first, " + skipped.read_instead +
             ", and passes over " + skipped.word + "; remove one";
    case OptionSkip::kTraceOnSensorLine:
      return "the trace character \"" + skipped.word +
             "\" on the sensor line is not read, the console trace follows the command line: write it there, when "
             "running the sensor by hand only";
    case OptionSkip::kNoKeyword:
      break;
  }
  return skipped.word + " is no option of the sensor and is not read";
}

}  // namespace

std::vector<std::string> skipped_option_notes(const std::vector<SkippedOption>& skipped) {
  std::vector<std::string> notes;
  for (const SkippedOption& word : skipped) notes.push_back(skipped_option_note(word));
  return notes;
}

}  // namespace quillar
