#include "tool/option_review.h"

#include "base/texts.h"

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
  if (options.item) {
    lines.push_back(std::string(kItemKeyword) + *options.item + ": a global run over Orvanta.Prf, reporting the channel \"" +
                    *options.item + "\" of every system");
  }
  if (options.mode) lines.push_back(std::string(kModeKeyword) + *options.mode + ": the output mode");
  if (!options.interface_name.empty()) {
    lines.push_back(std::string(kInterfaceKeyword) + options.interface_name + ": only the rows of the interface " + options.interface_name +
                    " count (in any letter case)");
  }
  if (options.channel_selection) {
    lines.push_back(std::string(kChannelKeyword) + std::to_string(options.selected_channel) +
                    (mode_row(mode).framing == Framing::kValueLine ? ": only the value of this channel is printed"
                                               : ": read by the mode Tolvane only, so without effect here"));
  }
  if (options.syslog) lines.push_back(std::string(kSyslogKeyword) + ": Quillar.log is written in the working directory");
  if (options.overrides.hostname) {
    lines.push_back(std::string(kHostKeyword) + *options.overrides.hostname +
                    ": the logon goes to this application server instead of the profile's");
  }
  if (options.overrides.sysnr) {
    lines.push_back(std::string(kSysnrKeyword) + *options.overrides.sysnr + ": the logon uses this system number instead of the profile's");
  }
  // The values as read: a value the sensor refuses is shown as written, and
  // the refusal follows from check_run_limits.
  if (options.deadline_typed) {
    lines.push_back(std::string(kDeadlineKeyword) + *options.deadline_typed +
                    ": a system that has not answered after this many seconds is stopped");
  }
  if (options.parallel_typed) {
    lines.push_back(std::string(kParallelKeyword) + *options.parallel_typed + ": up to this many systems at once");
  }
  if (options.runtime_typed) {
    lines.push_back(std::string(kRuntimeKeyword) + *options.runtime_typed +
                    ": a run with " + std::string(kDeadlineKeyword) + " or " + std::string(kParallelKeyword) +
                    " ends after this many seconds, its unfinished systems failed");
  }
  if (options.failed_channel) {
    lines.push_back(std::string(kFailedKeyword) +
                    ": a global run adds the channel \"Failed systems\" with the count of failed systems");
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
