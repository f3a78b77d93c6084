// Small text rules that the whole sensor shares.
#ifndef QUILLAR_BASE_TEXTS_H_
#define QUILLAR_BASE_TEXTS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillar {

// Letters a to z turned into A to Z; every other byte stays.
std::string upper_case(std::string_view text);

bool contains(std::string_view text, std::string_view part);

// The first `room` characters of `text`.
std::string_view cut_to(std::string_view text, std::size_t room);

// The value after the first `keyword` found in `search`, taken from the same
// place of `text` (the options as typed, of the same length; or `search`
// itself), up to a blank, a comma or `room` characters. Nothing when
// `search` lacks the keyword.
std::optional<std::string> keyword_value(std::string_view search, std::string_view text,
                                         std::string_view keyword,
                                         std::size_t room = std::string_view::npos);

// `text` without the blanks at its start and its end.
std::string_view without_blanks_at_ends(std::string_view text);
// `text` without the blanks at its end, as fixed-width fields are filled.
std::string_view without_trailing_blanks(std::string_view text);

// The words as a sentence lists them: "A", "A or B", "A, B or C".
std::string listed_words(const std::vector<std::string>& words);

// `pattern` with each "{}" in it replaced by `value`.
std::string filled_in(std::string_view pattern, std::string_view value);

// Each ":" turned into a blank: option values write a blank as a colon.
void blanks_for_colons(std::string& text);

// Reads a decimal number the way the C runtime's atoi does: leading white space
// is skipped, then an optional sign and the digits after it; any other
// character ends the number, and no digits give 0. Values beyond the range of
// long are clamped.
long leading_integer(std::string_view text);

// A number written by the program itself: 1 to `digits` decimal digits and
// nothing else, without a leading zero ("0" alone is zero). Nothing for any
// other text.
std::optional<std::uint64_t> plain_decimal(std::string_view text, std::size_t digits);

// `number` as 16 lower-case hexadecimal digits, for names and secrets that
// the program makes.
std::string hexadecimal_digits(std::uint64_t number);

}  // namespace quillar

#endif  // QUILLAR_BASE_TEXTS_H_
