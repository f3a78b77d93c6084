// The option string, read once into a typed value. Every keyword the sensor
// knows is read here, each by its row of kOptionKeywords
// (driver/option_keywords.h), and nowhere else; the lower layers get the
// values.
#ifndef QUILLAR_DRIVER_OPTIONS_H_
#define QUILLAR_DRIVER_OPTIONS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/capacities.h"
#include "base/status.h"
#include "profiles/global_profile.h"
#include "rfc/logon_overrides.h"

namespace quillar {

// The keywords that other code names besides their row of kOptionKeywords,
// as they must be written (any letter case); those that begin with a comma
// are found only with it.
inline constexpr std::string_view kItemKeyword = "ITEM=";
inline constexpr std::string_view kModeKeyword = "MODE=";
inline constexpr std::string_view kSyslogKeyword = ",SYSLOG";
inline constexpr std::string_view kHostKeyword = ",HOST=";
inline constexpr std::string_view kFailedKeyword = ",FAILED";
// Any of these characters switches the console trace on.
extern const std::string_view kTraceCharacters;
// The item keyword of a sensor line of the global profile, read in exactly
// this letter case.
extern const std::string_view kSensorLineItemKeyword;
// The words that make a comment line of the global profile a sensor line of
// this program.
extern const std::string_view kSensorLineAllocation;
// The words of a sensor line that name the channels, found anywhere in the
// line in exactly this letter case: by alias (the profile name without its
// extension), by host name, by SID (the destination).
extern const std::string_view kAliasNaming;
extern const std::string_view kHostNaming;
extern const std::string_view kSidNaming;

// Why the sensor passes over a word of an option string. The order is the
// order in which the words of one keyword are listed.
enum class OptionSkip {
  // A keyword that is read only with its comma, written without it.
  kWithoutComma,
  // An option on the command line of the GLOBAL form, whose run takes its
  // options from the sensor line and of the command line only the key, the
  // mode and the trace.
  kGlobalFormCommandLine,
  // The mode keyword on a sensor line: the output mode is the command line's.
  kModeOnSensorLine,
  // A keyword with a value given again, no number: the first is read.
  kRepeated,
  // A trace character on a sensor line: the trace is the command line's.
  kTraceOnSensorLine,
  // A word with "=" that holds no keyword.
  kNoKeyword,
};

struct SkippedOption {
  OptionSkip reason = OptionSkip::kNoKeyword;
  // The word passed over, as typed: a keyword with its value (up to a blank
  // or comma), a word up to a blank, a trace character.
  std::string word;
  // The keyword it concerns, as kOptionKeywords writes it; empty for a trace
  // character and a word without keyword.
  std::string_view keyword;
  // kRepeated: the keyword with its value that is read instead.
  std::string read_instead;
  // Where the word begins in the option text.
  std::size_t at = 0;
};

// A keyword of a number: each number is there only when its keyword is
// given with a whole number (an optional sign and decimal digits, nothing
// else), held at the bounds of long when it is beyond them. Checked by
// check_run_limits, which refuses any other value.
struct NumberOption {
  // The value as read, there whenever the keyword is given: the text of a
  // refusal shows it.
  std::optional<std::string> typed;
  std::optional<long> value;
  // Whether the keyword is given more than once.
  bool repeated = false;
};

// What an option string of at most kOptionsRoom characters sets.
struct Options {
  // An item is read with at most this many characters.
  static constexpr std::size_t kItemRoom = 90;

  // The options as typed, from which values are taken.
  std::string typed;
  // Console trace lines: "#", "@", "$" or "%" anywhere in the string.
  bool trace = false;
  // "@": the profile is opened where the command line names it.
  bool open_as_named = false;
  // The item keyword: the channel of a global run over the item profile,
  // ":" read as a blank.
  std::optional<std::string> item;
  // The mode keyword: the output mode as typed, not yet checked.
  std::optional<std::string> mode;
  // The interface keyword: the interface whose rows count, as typed; empty
  // for every one.
  std::string interface_name;
  // The channel keyword: the value-line framing prints this channel's value
  // alone.
  bool channel_selection = false;
  long selected_channel = 0;
  // The log keyword (its comma included): the diagnostic log is written.
  bool syslog = false;
  // The host and number keywords (their commas included): the logon's
  // server instead of the profile's.
  LogonOverrides overrides;
  // The first word, upper-cased: the sensor key of the GLOBAL form.
  std::string sensor_key;
  // The deadline, parallel and runtime keywords (their commas included):
  // each system works in a child process, stopped after this many seconds,
  // up to this many at once, and the whole run ends after this many seconds.
  NumberOption deadline;
  NumberOption parallel;
  NumberOption runtime;
  // The failed-systems keyword (its comma included): a global run adds a
  // channel with the count of its failed systems.
  bool failed_channel = false;
  // What the sensor passes over, in the order of kOptionKeywords (each
  // keyword's words in the order of OptionSkip), then the trace characters,
  // then the words without keyword.
  std::vector<SkippedOption> skipped;
  bool uses_children() const { return deadline.value.has_value() || parallel.value.has_value(); }
  // The bound of the whole run, which only a run with children keeps.
  long whole_run_seconds() const;
};

// The ranges of the deadline (1 to 600 seconds), of the systems at once (1
// to 32) and of the whole run (1 to 900 seconds, 50 unless set, and never
// shorter than the deadline). The whole run's bound is an option only of a
// run with children, so the runtime keyword alone is refused rather than
// passed over. Only the first refusal is named: each option given more than
// once, then its form, then its range, for the deadline, the parallel
// systems and the runtime in turn; then the runtime alone; then the deadline
// against the runtime.
inline constexpr long kLongestDeadline = 600;
inline constexpr long kMostParallel = 32;
inline constexpr long kLongestRuntime = 900;
inline constexpr long kDefaultRuntime = 50;
Status check_run_limits(const Options& options);

// Reads the options. Keywords are looked for in the text upper-cased (a to
// z), so they match in any letter case; each value is read as typed.
Options read_options(std::string_view text);

// The GLOBAL form reads of its command line's options only the first word
// (the sensor key), the mode and the trace: the other keywords after the key
// join the skipped words, and the key is no skipped word.
void pass_over_global_form_options(Options& options);

// The keywords of a sensor line of the global profile: its parameters and
// the whole line (see SensorLineReader). Its keywords are read in exactly
// their letter case.
SensorLine read_sensor_line(std::string_view parameters, std::string_view line);

// The options of a global run, from the sensor line (GLOBAL form) or the
// command line (ITEM form): each ":" becomes a blank and the text is cut at
// its first " @"; keywords and values are both read from what remains, so a
// keyword after " @" is not read at all.
Options read_global_run_options(std::string_view options);

// The options of a sensor line, read as a global run reads them; its mode
// keyword and its trace characters join the skipped words, since the run
// takes both from the command line.
Options read_sensor_line_options(std::string_view sensor_options);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_OPTIONS_H_
