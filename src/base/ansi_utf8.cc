#include "base/ansi_utf8.h"

#include <algorithm>
#include <array>

namespace quillar {
namespace {

// Code page 1252 at 0x80 to 0x9F; above that a byte is its own code point.
constexpr std::array<char16_t, 32> kAnsiBelowA0 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

bool beyond_ascii(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::string utf8_from_ansi(std::string_view ansi) {
  std::string utf8;
  utf8.reserve(ansi.size() * 2);
  for (char c : ansi) {
    const unsigned char byte = static_cast<unsigned char>(c);
    const char16_t code = byte >= 0x80 && byte < 0xA0 ? kAnsiBelowA0[byte - 0x80] : byte;
    if (code < 0x80) {
      utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
      utf8 += static_cast<char>(0xC0 | code >> 6);
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | code >> 12);
      utf8 += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return utf8;
}

}  // namespace quillar
