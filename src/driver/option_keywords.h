// The one table of the option keywords. The option reader, the search for the
// words it passes over, the sensor's help and the profile tool's description
// of the options all go through it, so that a keyword is its row here and its
// field in Options, and nothing else.
#ifndef QUILLAR_DRIVER_OPTION_KEYWORDS_H_
#define QUILLAR_DRIVER_OPTION_KEYWORDS_H_

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "driver/options.h"
#include "output/result_document.h"

namespace quillar {

enum class OptionKind {
  // A word alone, ",SYSLOG".
  kFlag,
  // A word with "=" and its value up to a blank or a comma.
  kValue,
  // A value that must be a whole number from 1 to the row's highest; any
  // other value, and the keyword given twice, is refused (check_run_limits).
  kNumber,
  // A value that names one of kModes.
  kMode,
};

// An option string as the keywords are looked for in it (upper-cased) and
// as their values are taken from it (as typed, of the same length).
struct OptionText {
  std::string_view keyword_text;
  std::string_view typed;

  bool holds(std::string_view name) const;
  // The value after the first `name`, up to a blank, a comma or `room`
  // characters; nothing without the keyword.
  std::optional<std::string> value_after(std::string_view name, std::size_t room = std::string_view::npos) const;
};

struct OptionKeyword {
  // As it must be written, in any letter case; a name that begins with a
  // comma is found only with it.
  std::string_view name;
  OptionKind kind = OptionKind::kFlag;
  // kNumber rows: where the value goes, the highest value taken (the lowest
  // is 1) and its unit, as a refusal names them. Such a row is read and
  // shown through `number` alone.
  NumberOption Options::*number = nullptr;
  long highest = 0;
  std::string_view unit;
  // Every other row: reads the keyword's value into the options, and gives
  // it back as the tool shows it, nothing where the keyword is not given or
  // takes no effect.
  void (*read)(const OptionText& text, std::string_view name, Options& options) = nullptr;
  std::optional<std::string> (*shown)(const Options& options) = nullptr;
  // The help: the word that follows the name ("name" of "LAN=name") and the
  // lines after the column of names, parted by "\n"; "{}" stands for the
  // values taken (the modes, or the range of a number).
  std::string_view help_value;
  std::string_view help;
  // Named before the others in the help, which names the rest in the order
  // of the table (the order of the tool's description and of the words
  // passed over).
  bool first_in_help = false;
  // The framing that reads the keyword; the modes of other framings pass
  // it by. The help and the tool name the modes that read it.
  std::optional<Framing> read_by;
  // Read from the command line of the GLOBAL form, whose other keywords are
  // passed over: the mode, and the item, which makes the run one of the ITEM
  // form instead.
  bool read_in_global_form = false;
  // The tool's words for what the keyword does; "{}" stands for its value
  // as shown.
  std::string_view effect;
};

// Every keyword the sensor knows.
extern const std::span<const OptionKeyword> kOptionKeywords;

// The value of `keyword` in `options` as the tool shows it; nothing where it
// is not given.
std::optional<std::string> shown_value(const OptionKeyword& keyword, const Options& options);

// The keyword without its comma and "=": "DEADLINE", as a refusal names it.
std::string_view bare_name(const OptionKeyword& keyword);

// The keywords of the modes that read `keyword`, listed as listed_modes
// lists them.
std::string modes_reading(const OptionKeyword& keyword);

// The help's lines of the keywords, each ending with a line feed.
std::string option_help_lines();

}  // namespace quillar

#endif  // QUILLAR_DRIVER_OPTION_KEYWORDS_H_
