#include "rfc/sap_characters.h"

#include <array>

namespace quillar {
namespace {

// Code page 1252 at 0x80 to 0x9F; the five bytes it leaves undefined stand
// for the control characters of the same number, as Windows converts them.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t to_utf16(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : static_cast<char16_t>(byte);
}

char from_utf16(char16_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<char>(character);
  for (std::size_t k = 0; k < kHighControls.size(); ++k) {
    if (kHighControls[k] == character) return static_cast<char>(0x80 + k);
  }
  return '?';
}

}  // namespace

SapText to_sap_text(std::string_view text) {
  SapText converted;
  converted.reserve(text.size());
  for (char c : text) converted += static_cast<nwrfc::SAP_UC>(to_utf16(static_cast<unsigned char>(c)));
  return converted;
}

std::string from_sap_text(const nwrfc::SAP_UC* text, std::size_t length) {
  std::string converted;
  for (std::size_t i = 0; text != nullptr && i < length && text[i] != 0; ++i) {
    converted += from_utf16(static_cast<char16_t>(text[i]));
  }
  return converted;
}

}  // namespace quillar
