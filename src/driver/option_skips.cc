#include "driver/option_skips.h"

#include <algorithm>
#include <utility>

#include "base/texts.h"
#include "driver/option_keywords.h"

namespace quillar {
namespace {

bool is_separator(char c) { return c == ' ' || c == ','; }

// The keyword found at `at` of the options with its value, as typed.
std::string keyword_as_typed(std::string_view typed, std::size_t at, std::string_view keyword) {
  std::size_t end = std::min(at + keyword.size(), typed.size());
  if (keyword.back() == '=') {
    while (end < typed.size() && !is_separator(typed[end])) ++end;
  }
  return std::string(typed.substr(at, end - at));
}

// The word of the options that starts at `at`, up to a blank.
std::string word_at(std::string_view typed, std::size_t at) {
  return std::string(typed.substr(at, typed.find(' ', at) - at));
}

// Where a skipped word stands in the list: its keyword's place in
// kOptionKeywords, after them the trace characters, last the words without
// keyword; then its reason.
std::pair<std::size_t, OptionSkip> rank_of(const SkippedOption& skipped) {
  if (skipped.reason == OptionSkip::kTraceOnSensorLine) return {kOptionKeywords.size(), skipped.reason};
  if (skipped.reason == OptionSkip::kNoKeyword) return {kOptionKeywords.size() + 1, skipped.reason};
  const auto found = std::find_if(kOptionKeywords.begin(), kOptionKeywords.end(),
                                  [&](const OptionKeyword& keyword) { return keyword.name == skipped.keyword; });
  return {static_cast<std::size_t>(found - kOptionKeywords.begin()), skipped.reason};
}

// Adds `skipped` after every word that ranks with it or before it.
void add_skipped(Options& options, SkippedOption skipped) {
  const auto rank = rank_of(skipped);
  auto place = std::find_if(options.skipped.begin(), options.skipped.end(),
                            [&](const SkippedOption& listed) { return rank_of(listed) > rank; });
  options.skipped.insert(place, std::move(skipped));
}

bool starts_word(std::string_view text, std::size_t at) { return at == 0 || text[at - 1] == ' '; }

// A keyword read only with its comma, written at the start of a word without it.
void find_without_comma(std::string_view keyword_text, std::string_view keyword, Options& options) {
  const std::string_view bare = keyword.substr(1);
  for (std::size_t at = keyword_text.find(bare); at != std::string_view::npos; at = keyword_text.find(bare, at + 1)) {
    if (starts_word(keyword_text, at)) {
      add_skipped(options, SkippedOption{OptionSkip::kWithoutComma, word_at(options.typed, at), keyword, "", at});
    }
  }
}

// A keyword with a value given again, of which the first is read.
void find_repeated(std::string_view keyword_text, std::string_view keyword, Options& options) {
  const std::size_t second = repeated_at(keyword_text, keyword);
  if (second == std::string_view::npos) return;
  const std::size_t first = keyword_text.find(keyword);
  add_skipped(options, SkippedOption{OptionSkip::kRepeated, keyword_as_typed(options.typed, second, keyword), keyword,
                                     keyword_as_typed(options.typed, first, keyword), second});
}

// Whether a word with "=" names a keyword before its "=" (a sensor line's
// allocation, "Sensor=", is no option word either).
bool holds_keyword(std::string_view upper_word, std::size_t equals) {
  if (upper_word.rfind("SENSOR=", 0) == 0) return true;
  for (const OptionKeyword& keyword : kOptionKeywords) {
    const std::string_view bare = keyword.name.front() == ',' ? keyword.name.substr(1) : keyword.name;
    if (bare.back() == '=' && upper_word.substr(0, equals + 1).find(bare) != std::string_view::npos) return true;
  }
  return false;
}

void find_without_keyword(std::string_view keyword_text, Options& options) {
  for (std::size_t at = 0; at < keyword_text.size();) {
    const std::size_t end = std::min(keyword_text.find_first_of(" ,", at), keyword_text.size());
    const std::string_view word = keyword_text.substr(at, end - at);
    const std::size_t equals = word.find('=');
    if (equals != std::string_view::npos && !holds_keyword(word, equals)) {
      add_skipped(options, SkippedOption{OptionSkip::kNoKeyword, options.typed.substr(at, end - at), {}, "", at});
    }
    at = end + 1;
  }
}

}  // namespace

std::size_t repeated_at(std::string_view keyword_text, std::string_view keyword) {
  const std::size_t first = keyword_text.find(keyword);
  if (first == std::string_view::npos) return std::string_view::npos;
  return keyword_text.find(keyword, first + keyword.size());
}

void find_skipped_words(std::string_view keyword_text, Options& options) {
  for (const OptionKeyword& keyword : kOptionKeywords) {
    if (keyword.name.front() == ',') find_without_comma(keyword_text, keyword.name, options);
    // A number given again is refused by check_run_limits instead.
    if (keyword.name.back() == '=' && keyword.kind != OptionKind::kNumber) {
      find_repeated(keyword_text, keyword.name, options);
    }
  }
  find_without_keyword(keyword_text, options);
}

void pass_over_global_form_options(Options& options) {
  const std::string keyword_text = upper_case(options.typed);
  const std::size_t key_end = std::min(keyword_text.find(' '), keyword_text.size());
  std::erase_if(options.skipped, [&](const SkippedOption& skipped) { return skipped.at < key_end; });
  for (const OptionKeyword& keyword : kOptionKeywords) {
    if (keyword.read_in_global_form) continue;
    const std::size_t at = keyword_text.find(keyword.name, key_end);
    if (at == std::string::npos) continue;
    add_skipped(options, SkippedOption{OptionSkip::kGlobalFormCommandLine,
                                       keyword_as_typed(options.typed, at, keyword.name), keyword.name, "", at});
  }
}

Options read_sensor_line_options(std::string_view sensor_options) {
  Options options = read_global_run_options(sensor_options);
  const std::string keyword_text = upper_case(options.typed);
  if (const std::size_t at = keyword_text.find(kModeKeyword); at != std::string::npos) {
    add_skipped(options, SkippedOption{OptionSkip::kModeOnSensorLine,
                                       keyword_as_typed(options.typed, at, kModeKeyword), kModeKeyword, "", at});
  }
  // The trace characters count wherever they stand, even where the reading
  // of the options has ended.
  for (char c : kTraceCharacters) {
    const std::size_t at = sensor_options.find(c);
    if (at != std::string_view::npos) add_skipped(options, SkippedOption{OptionSkip::kTraceOnSensorLine, std::string(1, c), {}, "", at});
  }
  return options;
}

}  // namespace quillar
