#include "driver/options.h"

#include <algorithm>
#include <limits>

#include "base/errors.h"
#include "base/texts.h"
#include "driver/option_keywords.h"
#include "driver/option_skips.h"

namespace quillar {
namespace {

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

// A number's first value as read, the number when that is whole, and
// whether the keyword is given again.
void read_number(const OptionText& text, std::string_view name, NumberOption& number) {
  number.typed = text.value_after(name);
  if (number.typed) number.value = whole_number(*number.typed);
  number.repeated = repeated_at(text.keyword_text, name) != std::string_view::npos;
}

// A number against its range, 1 to the keyword's highest.
Status check_number(const OptionKeyword& keyword, const NumberOption& number) {
  const std::string_view name = bare_name(keyword);
  if (number.repeated) return error_status(Fault::kRunLimitRepeated, {name});
  if (!number.typed) return Status::Ok();
  if (!number.value) return error_status(Fault::kRunLimitNotWhole, {name, *number.typed});
  if (*number.value < 1 || *number.value > keyword.highest) {
    return error_status(Fault::kRunLimitsOutOfRange,
                        {name, *number.typed, std::to_string(keyword.highest), keyword.unit});
  }
  return Status::Ok();
}

}  // namespace

const std::string_view kTraceCharacters = "#@$%";
const std::string_view kSensorLineItemKeyword = "Item=";
const std::string_view kSensorLineAllocation = "Sensor=\"SAP Quillar\"";
const std::string_view kAliasNaming = ",Alias";
const std::string_view kHostNaming = ",Host";
const std::string_view kSidNaming = ",Sid";

Options read_options(std::string_view typed) {
  const std::string keyword_text = upper_case(typed);
  const OptionText text{keyword_text, typed};
  Options options;
  options.typed = typed;
  options.trace = keyword_text.find_first_of(kTraceCharacters) != std::string::npos;
  options.open_as_named = contains(keyword_text, "@");
  options.sensor_key = keyword_text.substr(0, keyword_text.find(' '));
  for (const OptionKeyword& keyword : kOptionKeywords) {
    if (keyword.kind == OptionKind::kNumber) {
      read_number(text, keyword.name, options.*keyword.number);
    } else {
      keyword.read(text, keyword.name, options);
    }
  }
  find_skipped_words(keyword_text, options);
  return options;
}

long Options::whole_run_seconds() const { return runtime.value.value_or(kDefaultRuntime); }

Status check_run_limits(const Options& options) {
  for (const OptionKeyword& keyword : kOptionKeywords) {
    if (keyword.kind != OptionKind::kNumber) continue;
    if (Status checked = check_number(keyword, options.*keyword.number); !checked.is_ok()) return checked;
  }
  // Past the checks above, a deadline or parallel keyword given has its number.
  if (options.runtime.typed && !options.uses_children()) {
    return error_status(Fault::kRuntimeAlone, {"RUNTIME", *options.runtime.typed});
  }
  // A deadline never outlasts the run it belongs to, whose bound is 50
  // seconds unless the runtime option raises it.
  const long runtime = options.whole_run_seconds();
  if (options.deadline.value && *options.deadline.value > runtime) {
    return error_status(Fault::kRunLimitsOutOfRange,
                        {"DEADLINE", *options.deadline.typed, std::to_string(runtime),
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
