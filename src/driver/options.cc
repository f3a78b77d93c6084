#include "driver/options.h"

#include <algorithm>

#include "base/errors.h"
#include "base/texts.h"

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
  if (std::optional<std::string> seconds = keyword_value(keyword_text, typed, kDeadlineKeyword)) {
    options.deadline_seconds = leading_integer(*seconds);
    options.deadline_typed = *seconds;
  }
  if (std::optional<std::string> systems = keyword_value(keyword_text, typed, kParallelKeyword)) {
    options.parallel = leading_integer(*systems);
    options.parallel_typed = *systems;
  }
  options.failed_channel = contains(keyword_text, kFailedKeyword);
  if (std::optional<std::string> seconds = keyword_value(keyword_text, typed, kRuntimeKeyword)) {
    options.runtime_seconds = leading_integer(*seconds);
    options.runtime_typed = *seconds;
  }
  return options;
}

long Options::whole_run_seconds() const { return runtime_seconds.value_or(kDefaultRuntime); }

Status check_run_limits(const Options& options) {
  auto fits = [](const std::optional<long>& value, long highest) {
    return !value || (*value >= 1 && *value <= highest);
  };
  if (!fits(options.deadline_seconds, kLongestDeadline)) {
    return error_status(Fault::kRunLimitsOutOfRange,
                        {"DEADLINE", options.deadline_typed, std::to_string(kLongestDeadline), "seconds"});
  }
  if (!fits(options.parallel, kMostParallel)) {
    return error_status(Fault::kRunLimitsOutOfRange,
                        {"PARALLEL", options.parallel_typed, std::to_string(kMostParallel), "systems"});
  }
  if (!fits(options.runtime_seconds, kLongestRuntime)) {
    return error_status(Fault::kRunLimitsOutOfRange,
                        {"RUNTIME", options.runtime_typed, std::to_string(kLongestRuntime), "seconds"});
  }
  // A deadline never outlasts the run it belongs to, whose bound is 50
  // seconds unless the runtime option raises it.
  const long runtime = options.whole_run_seconds();
  if (!fits(options.deadline_seconds, runtime)) {
    return error_status(Fault::kRunLimitsOutOfRange,
                        {"DEADLINE", options.deadline_typed, std::to_string(runtime),
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
  if (contains(line, kAliasNaming)) sensor_line.display_selector = "2";
  if (contains(line, kHostNaming)) sensor_line.display_selector = "3";
  if (contains(line, kSidNaming)) sensor_line.display_selector = "4";
  return sensor_line;
}

Options read_global_run_options(std::string_view options) {
  std::string text(options);
  blanks_for_colons(text);
  text.erase(std::min(text.find(" @"), text.size()));
  return read_options(text);
}

}  // namespace quillar
