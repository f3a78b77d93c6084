// Small text rules that the whole sensor shares.
#ifndef QUILLAR_OUTPUT_TEXTS_H_
#define QUILLAR_OUTPUT_TEXTS_H_

#include <string>
#include <string_view>

namespace quillar {

// Letters a to z turned into A to Z; every other byte stays.
std::string upper_case(std::string_view text);

bool contains(std::string_view text, std::string_view part);

// The first `room` characters of `text`.
std::string_view cut_to(std::string_view text, std::size_t room);

// Reads a decimal number the way the C runtime's atoi does: leading white space
// is skipped, then an optional sign and the digits after it; any other
// character ends the number, and no digits give 0. Values beyond the range of
// long are clamped.
long leading_integer(std::string_view text);

}  // namespace quillar

#endif  // QUILLAR_OUTPUT_TEXTS_H_
