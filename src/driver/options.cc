#include "driver/options.h"

#include <algorithm>
#include <limits>

#include "base/errors.h"
#include "base/texts.h"
#include "driver/option_skips.h"

namespace quillar {
namespace {

// The interface name follows its own rule: its first character never ends
// it, so "LAN=,x" names ",x"; then it runs to a blank or a comma.
std::string interface_after(std::string_view keyword_text, std::string_view typed) {
  std::size_t at = keyword_text.find(kInterfaceKeyword);
  if (at == std::string_view::npos) return std::string();
  std::string name(typed.substr(std::min(at + kInterfaceKeyword.size(), typed.size())));
  std::size_t end = name.find_first_of(" ,", 1);
  if (end != std::string::npos) name.erase(end);
  return name;
}

// The channel number is read from at most three characters, up to a comma,
// as a number of the C runtime.
void read_channel_selection(std::string_view keyword_text, std::string_view typed, Options& options) {
  std::size_t at = keyword_text.find(kChannelKeyword);
  if (at == std::string_view::npos) return;
  options.channel_selection = true;
  std::string_view number = typed.substr(std::min(at + kChannelKeyword.size(), typed.size()), 3);
  options.selected_channel = leading_integer(number.substr(0, number.find(',')));
}

// A whole number as a person writes it: an optional sign, then one or more
// decimal digits and nothing else; leading zeros are allowed. A number
// beyond the range of long is held at its bound, so that it is still out of
// range rather than wrapped into it. Nothing for any other text.
std::optional<long> whole_number(std::string_view text) {
  std::size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  if (at == text.size()) return std::nullopt;
  constexpr long kMost = std::numeric_limits<long>::max();
  long value = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9') return std::nullopt;
    const int digit = text[at] - '0';
    value = value > (kMost - digit) / 10 ? kMost : value * 10 + digit;
  }
  return negative ? -value : value;
}

// A run-limit option: its first value as read, its number when that is
// whole, and whether the keyword is given again.
void read_run_limit(std::string_view keyword_text, std::string_view typed, std::string_view keyword,
                    std::optional<std::string>& value_typed, std::optional<long>& number, bool& repeated) {
  value_typed = keyword_value(keyword_text, typed, keyword);
  if (value_typed) number = whole_number(*value_typed);
  repeated = repeated_at(keyword_text, keyword) != std::string_view::npos;
}

// A run-limit option against its range, 1 to `highest`.
struct RunLimit {
  std::string_view name;
  const std::optional<std::string>& typed;
  const std::optional<long>& number;
  bool repeated;
  long highest;
  std::string_view unit;
};

Status check_run_limit(const RunLimit& limit) {
  if (limit.repeated) return error_status(Fault::kRunLimitRepeated, {limit.name});
  if (!limit.typed) return Status::Ok();
  if (!limit.number) return error_status(Fault::kRunLimitNotWhole, {limit.name, *limit.typed});
  if (*limit.number < 1 || *limit.number > limit.highest) {
    return error_status(Fault::kRunLimitsOutOfRange,
                        {limit.name, *limit.typed, std::to_string(limit.highest), limit.unit});
  }
  return Status::Ok();
}

}  // namespace

const std::string_view kItemKeyword = "ITEM=";
const std::string_view kModeKeyword = "MODE=";
const std::string_view kInterfaceKeyword = "LAN=";
const std::string_view kChannelKeyword = "CH=";
const std::string_view kSyslogKeyword = ",SYSLOG";
const std::string_view kHostKeyword = ",HOST=";
const std::string_view kSysnrKeyword = ",NO=";
const std::string_view kDeadlineKeyword = ",DEADLINE=";
const std::string_view kParallelKeyword = ",PARALLEL=";
const std::string_view kRuntimeKeyword = ",RUNTIME=";
const std::string_view kFailedKeyword = ",FAILED";
const std::array<std::string_view, 11> kOptionKeywords = {
    kItemKeyword,  kModeKeyword,     kInterfaceKeyword, kChannelKeyword, kSyslogKeyword, kHostKeyword,
    kSysnrKeyword, kDeadlineKeyword, kParallelKeyword,  kRuntimeKeyword, kFailedKeyword};
const std::array<std::string_view, 3> kRunLimitKeywords = {kDeadlineKeyword, kParallelKeyword, kRuntimeKeyword};
const std::string_view kTraceCharacters = "#@$%";
const std::string_view kSensorLineItemKeyword = "Item=";
const std::string_view kSensorLineAllocation = "Sensor=\"SAP Quillar\"";
const std::string_view kAliasNaming = ",Alias";
const std::string_view kHostNaming = ",Host";
const std::string_view kSidNaming = ",Sid";

Options read_options(std::string_view typed) {
  const std::string keyword_text = upper_case(typed);
  Options options;
  options.typed = typed;
  options.trace = keyword_text.find_first_of(kTraceCharacters) != std::string::npos;
  options.open_as_named = contains(keyword_text, "@");
  options.item = keyword_value(keyword_text, typed, kItemKeyword, Options::kItemRoom);
  if (options.item) blanks_for_colons(*options.item);
  options.mode = keyword_value(keyword_text, typed, kModeKeyword);
  options.interface_name = interface_after(keyword_text, typed);
  read_channel_selection(keyword_text, typed, options);
  options.syslog = contains(keyword_text, kSyslogKeyword);
  options.overrides.hostname = keyword_value(keyword_text, typed, kHostKeyword);
  options.overrides.sysnr = keyword_value(keyword_text, typed, kSysnrKeyword);
  options.sensor_key = keyword_text.substr(0, keyword_text.find(' '));
  read_run_limit(keyword_text, typed, kDeadlineKeyword, options.deadline_typed, options.deadline_seconds,
                 options.deadline_repeated);
  read_run_limit(keyword_text, typed, kParallelKeyword, options.parallel_typed, options.parallel,
                 options.parallel_repeated);
  options.failed_channel = contains(keyword_text, kFailedKeyword);
  read_run_limit(keyword_text, typed, kRuntimeKeyword, options.runtime_typed, options.runtime_seconds,
                 options.runtime_repeated);
  find_skipped_words(keyword_text, options);
  return options;
}

long Options::whole_run_seconds() const { return runtime_seconds.value_or(kDefaultRuntime); }

Status check_run_limits(const Options& options) {
  for (const RunLimit& limit : {
           RunLimit{"DEADLINE", options.deadline_typed, options.deadline_seconds, options.deadline_repeated,
                    kLongestDeadline, "seconds"},
           RunLimit{"PARALLEL", options.parallel_typed, options.parallel, options.parallel_repeated, kMostParallel,
                    "systems"},
           RunLimit{"RUNTIME", options.runtime_typed, options.runtime_seconds, options.runtime_repeated,
                    kLongestRuntime, "seconds"}}) {
    if (Status checked = check_run_limit(limit); !checked.is_ok()) return checked;
  }
  // Past the checks above, a deadline or parallel keyword given has its number.
  if (options.runtime_typed && !options.uses_children()) {
    return error_status(Fault::kRuntimeAlone, {"RUNTIME", *options.runtime_typed});
  }
  // A deadline never outlasts the run it belongs to, whose bound is 50
  // seconds unless the runtime option raises it.
  const long runtime = options.whole_run_seconds();
  if (options.deadline_seconds && *options.deadline_seconds > runtime) {
    return error_status(Fault::kRunLimitsOutOfRange,
                        {"DEADLINE", *options.deadline_typed, std::to_string(runtime),
                         "seconds as RUNTIME=" + std::to_string(runtime) + " allows"});
  }
  return Status::Ok();
}

SensorLine read_sensor_line(std::string_view parameters, std::string_view line) {
  SensorLine sensor_line;
  sensor_line.allocates = contains(parameters, kSensorLineAllocation);
  sensor_line.options = std::string(parameters.substr(0, parameters.find(",Sensor=")));
  sensor_line.item =
      keyword_value(parameters, parameters, kSensorLineItemKeyword, GlobalAllocation::kItemRoom).value_or("");
  blanks_for_colons(sensor_line.item);
  // Later keywords win: ",Sid" over ",Host" over ",Alias" over ",Profile".
  if (contains(line, kAliasNaming)) sensor_line.channel_naming = ChannelNaming::kAlias;
  if (contains(line, kHostNaming)) sensor_line.channel_naming = ChannelNaming::kHostName;
  if (contains(line, kSidNaming)) sensor_line.channel_naming = ChannelNaming::kDestination;
  return sensor_line;
}

Options read_global_run_options(std::string_view options) {
  std::string text(options);
  blanks_for_colons(text);
  text.erase(std::min(text.find(" @"), text.size()));
  return read_options(text);
}

}  // namespace quillar
