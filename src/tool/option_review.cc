#include "tool/option_review.h"

#include <algorithm>
#include <array>

#include "base/texts.h"

namespace quillar {
namespace {

bool is_separator(char c) { return c == ' ' || c == ','; }

// The keyword found at `at` of the options, with its value, as typed.
std::string keyword_as_typed(std::string_view options, std::size_t at, std::string_view keyword) {
  std::size_t end = at + keyword.size();
  if (keyword.back() == '=') {
    while (end < options.size() && !is_separator(options[end])) ++end;
  }
  return std::string(options.substr(at, end - at));
}

// The word of the options that starts at `at`, up to a blank.
std::string word_at(std::string_view options, std::size_t at) {
  return std::string(options.substr(at, options.find(' ', at) - at));
}

}  // namespace

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

std::vector<std::string> unread_options(std::string_view options, OptionPlace place) {
  const std::string upper = upper_case(options);
  std::vector<std::string> notes;
  // In the GLOBAL form the first word is the sensor key.
  const std::size_t start = place == OptionPlace::kGlobalCommandLine ? std::min(upper.find(' '), upper.size()) : 0;
  auto word_starts_at = [&](std::size_t at) { return at >= start && (at == 0 || upper[at - 1] == ' '); };

  for (std::string_view keyword : kOptionKeywords) {
    std::size_t first = upper.find(keyword, start);
    if (keyword.front() == ',') {
      const std::string_view bare = keyword.substr(1);
      for (std::size_t at = upper.find(bare, start); at != std::string::npos; at = upper.find(bare, at + 1)) {
        if (!word_starts_at(at)) continue;
        const std::string word = word_at(options, at);
        notes.push_back(word + " is not read without its comma: write ," + word);
      }
    }
    if (first == std::string::npos) continue;
    const std::string found = keyword_as_typed(options, first, keyword);
    if (place == OptionPlace::kGlobalCommandLine && keyword != kModeKeyword && keyword != kItemKeyword) {
      notes.push_back(found +
                      " on the command line is not read in the GLOBAL form, whose run takes its options "
                      "from the sensor line: write it on the sensor line");
    }
    if (place == OptionPlace::kSensorLine && keyword == kModeKeyword) {
      notes.push_back(found +
                      " on the sensor line is not read, the output mode is the command line's: write it "
                      "into the sensor's parameters in PRTG, after the sensor key");
    }
    if (keyword.back() != '=') continue;
    std::size_t second = upper.find(keyword, first + keyword.size());
    if (second != std::string::npos) {
      notes.push_back(std::string(keyword) + " stands twice: the sensor reads the first, " + found +
                      ", and passes over " + keyword_as_typed(options, second, keyword) + "; remove one");
    }
  }

  if (place == OptionPlace::kSensorLine) {
    for (char c : kTraceCharacters) {
      if (upper.find(c) == std::string::npos) continue;
      notes.push_back(std::string("the trace character \"") + c +
                      "\" on the sensor line is not read, the console trace follows the command line: write it "
                      "there, when running the sensor by hand only");
    }
  }

  // Words with "=" that hold no keyword at all.
  for (std::size_t at = start; at < upper.size();) {
    std::size_t end = upper.find_first_of(" ,", at);
    if (end == std::string::npos) end = upper.size();
    const std::string_view word = std::string_view(upper).substr(at, end - at);
    std::size_t equals = word.find('=');
    if (equals != std::string_view::npos && word.rfind("SENSOR=", 0) != 0) {
      bool known = false;
      for (std::string_view keyword : kOptionKeywords) {
        std::string_view bare = keyword.front() == ',' ? keyword.substr(1) : keyword;
        if (bare.back() == '=' && word.substr(0, equals + 1).find(bare) != std::string_view::npos) known = true;
      }
      if (!known) {
        notes.push_back(std::string(options.substr(at, end - at)) + " is no option of the sensor and is not read");
      }
    }
    at = end + 1;
  }
  return notes;
}

}  // namespace quillar
