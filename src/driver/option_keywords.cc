#include "driver/option_keywords.h"

#include <algorithm>

#include "base/texts.h"

namespace quillar {
namespace {

// The interface name follows its own rule: its first character never ends
// it, so "LAN=,x" names ",x"; then it runs to a blank or a comma.
void read_interface(const OptionText& text, std::string_view name, Options& options) {
  const std::size_t at = text.keyword_text.find(name);
  if (at == std::string_view::npos) return;
  options.interface_name = text.typed.substr(std::min(at + name.size(), text.typed.size()));
  const std::size_t end = options.interface_name.find_first_of(" ,", 1);
  if (end != std::string::npos) options.interface_name.erase(end);
}

// The channel number is read from at most three characters, up to a comma,
// as a number of the C runtime.
void read_channel_selection(const OptionText& text, std::string_view name, Options& options) {
  const std::size_t at = text.keyword_text.find(name);
  if (at == std::string_view::npos) return;
  options.channel_selection = true;
  std::string_view number = text.typed.substr(std::min(at + name.size(), text.typed.size()), 3);
  options.selected_channel = leading_integer(number.substr(0, number.find(',')));
}

std::optional<std::string> given_if(bool given) { return given ? std::optional<std::string>("") : std::nullopt; }

constexpr OptionKeyword kKeywords[] = {
    {.name = kItemKeyword,
     .kind = OptionKind::kValue,
     .read =
         [](const OptionText& text, std::string_view name, Options& options) {
           options.item = text.value_after(name, Options::kItemRoom);
           if (options.item) blanks_for_colons(*options.item);
         },
     .shown = [](const Options& options) { return options.item; },
     .help_value = "channel",
     .help = "Packets/Sec, In-Packets/Sec, Out-Packets/Sec, In-Errors,\n"
             "Out-Errors or Collision(s); \":\" stands for a blank",
     .read_in_global_form = true,
     .effect = "a global run over Orvanta.Prf, reporting the channel \"{}\" of every system"},
    {.name = kModeKeyword,
     .kind = OptionKind::kMode,
     .read = [](const OptionText& text, std::string_view name,
                Options& options) { options.mode = text.value_after(name); },
     .shown = [](const Options& options) { return options.mode; },
     .help_value = "mode",
     .help = "{}",
     .read_in_global_form = true,
     .effect = "the output mode"},
    {.name = "LAN=",
     .kind = OptionKind::kValue,
     .read = read_interface,
     .shown = [](const Options& options) -> std::optional<std::string> {
       if (options.interface_name.empty()) return std::nullopt;
       return options.interface_name;
     },
     .help_value = "name",
     .help = "only the rows of this network interface count",
     .first_in_help = true,
     .effect = "only the rows of the interface {} count (in any letter case)"},
    {.name = "CH=",
     .kind = OptionKind::kValue,
     .read = read_channel_selection,
     .shown = [](const Options& options) -> std::optional<std::string> {
       if (!options.channel_selection) return std::nullopt;
       return std::to_string(options.selected_channel);
     },
     .help_value = "n",
     .help = "the value of the n-th channel alone",
     .read_by = Framing::kValueLine,
     .effect = "only the value of this channel is printed"},
    {.name = kSyslogKeyword,
     .read = [](const OptionText& text, std::string_view name,
                Options& options) { options.syslog = text.holds(name); },
     .shown = [](const Options& options) { return given_if(options.syslog); },
     .help = "write Quillar.log in the working directory",
     .effect = "Quillar.log is written in the working directory"},
    {.name = kHostKeyword,
     .kind = OptionKind::kValue,
     .read = [](const OptionText& text, std::string_view name,
                Options& options) { options.overrides.hostname = text.value_after(name); },
     .shown = [](const Options& options) { return options.overrides.hostname; },
     .help_value = "name",
     .help = "log on to this application server instead of the profile's",
     .effect = "the logon goes to this application server instead of the profile's"},
    {.name = ",NO=",
     .kind = OptionKind::kValue,
     .read = [](const OptionText& text, std::string_view name,
                Options& options) { options.overrides.sysnr = text.value_after(name); },
     .shown = [](const Options& options) { return options.overrides.sysnr; },
     .help_value = "nn",
     .help = "log on with this system number instead of the profile's",
     .effect = "the logon uses this system number instead of the profile's"},
    // The values of the numbers are shown as read: a value the sensor refuses
    // is shown as written, and the refusal follows from check_run_limits.
    {.name = ",DEADLINE=",
     .kind = OptionKind::kNumber,
     .number = &Options::deadline,
     .highest = kLongestDeadline,
     .unit = "seconds",
     .help_value = "s",
     .help = "stop a system that has not answered after s seconds ({})",
     .effect = "a system that has not answered after this many seconds is stopped"},
    {.name = ",PARALLEL=",
     .kind = OptionKind::kNumber,
     .number = &Options::parallel,
     .highest = kMostParallel,
     .unit = "systems",
     .help_value = "n",
     .help = "work on up to n systems at once ({})",
     .effect = "up to this many systems at once"},
    {.name = ",RUNTIME=",
     .kind = OptionKind::kNumber,
     .number = &Options::runtime,
     .highest = kLongestRuntime,
     .unit = "seconds",
     .help_value = "s",
     .help = "with ,DEADLINE= or ,PARALLEL=: end the whole run after s\n"
             "seconds ({}, 50 unless set, not below the deadline)",
     .effect = "a run with ,DEADLINE= or ,PARALLEL= ends after this many seconds, its unfinished systems failed"},
    {.name = kFailedKeyword,
     .read = [](const OptionText& text, std::string_view name,
                Options& options) { options.failed_channel = text.holds(name); },
     .shown = [](const Options& options) { return given_if(options.failed_channel); },
     .help = "a global run adds the channel \"Failed systems\"",
     .effect = "a global run adds the channel \"Failed systems\" with the count of failed systems"},
};

// A row serves the reader and the tool only with what its kind needs.
constexpr bool every_row_is_complete() {
  for (const OptionKeyword& keyword : kKeywords) {
    const bool number = keyword.kind == OptionKind::kNumber;
    if (keyword.name.empty() || keyword.help.empty() || keyword.effect.empty()) return false;
    if (number ? keyword.number == nullptr || keyword.highest < 1
               : keyword.read == nullptr || keyword.shown == nullptr) {
      return false;
    }
    if ((keyword.kind == OptionKind::kFlag) != (keyword.name.back() != '=')) return false;
  }
  return true;
}
static_assert(every_row_is_complete(), "each option keyword has its name, help, effect and the fields of its kind");

// The names take this many columns of the help, after two blanks.
constexpr std::size_t kHelpNameColumns = 15;

// The lines of one keyword in the help.
std::string help_lines(const OptionKeyword& keyword) {
  std::string values;
  if (keyword.kind == OptionKind::kMode) values = listed_modes({}, " (the default)");
  if (keyword.kind == OptionKind::kNumber) values = "1-" + std::to_string(keyword.highest);
  std::string text = filled_in(keyword.help, values);
  if (keyword.read_by) text = modes_reading(keyword) + ": " + text;
  const std::string indent(2 + kHelpNameColumns, ' ');
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
    text.insert(at + 1, indent);
  }
  std::string name = std::string(keyword.name) + std::string(keyword.help_value);
  name.resize(std::max(kHelpNameColumns, name.size() + 1), ' ');
  return "  " + name + text + "\n";
}

}  // namespace

const std::span<const OptionKeyword> kOptionKeywords = kKeywords;

bool OptionText::holds(std::string_view name) const { return contains(keyword_text, name); }

std::optional<std::string> OptionText::value_after(std::string_view name, std::size_t room) const {
  return keyword_value(keyword_text, typed, name, room);
}

std::optional<std::string> shown_value(const OptionKeyword& keyword, const Options& options) {
  if (keyword.kind == OptionKind::kNumber) return (options.*keyword.number).typed;
  return keyword.shown(options);
}

std::string_view bare_name(const OptionKeyword& keyword) {
  std::string_view name = keyword.name;
  if (name.front() == ',') name.remove_prefix(1);
  if (name.back() == '=') name.remove_suffix(1);
  return name;
}

std::string modes_reading(const OptionKeyword& keyword) {
  return listed_modes([&keyword](const ModeRow& row) { return !keyword.read_by || row.framing == *keyword.read_by; });
}

std::string option_help_lines() {
  std::string lines;
  for (const bool first : {true, false}) {
    for (const OptionKeyword& keyword : kOptionKeywords) {
      if (keyword.first_in_help == first) lines += help_lines(keyword);
    }
  }
  return lines;
}

}  // namespace quillar
