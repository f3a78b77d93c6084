#include "base/code_page_1252.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace quillar {
namespace {

// 0x80 to 0x9F; from 0xA0 on the code page agrees with Latin-1.
constexpr std::array<char16_t, 32> kHighCharacters = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

char16_t code_page_1252_character(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighCharacters[byte - 0x80] : static_cast<char16_t>(byte);
}

bool code_page_1252_defines(unsigned char byte) {
  return byte < 0x80 || byte >= 0xA0 || code_page_1252_character(byte) != byte;
}

std::optional<char> code_page_1252_byte(char32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<char>(character);
  for (std::size_t k = 0; k < kHighCharacters.size(); ++k) {
    if (kHighCharacters[k] == character) return static_cast<char>(0x80 + k);
  }
  return std::nullopt;
}

std::optional<std::u32string> utf8_characters(std::string_view text) {
  std::u32string characters;
  std::size_t at = 0;
  while (at < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    char32_t character = lead;
    // The least character that each length may encode: a smaller one is an
    // overlong form.
    char32_t least = 0;
    if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, character = lead & 0x07, least = 0x10000;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, character = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, character = lead & 0x1F, least = 0x80;
    } else if (lead >= 0x80) {
      return std::nullopt;
    }
    if (text.size() - at < length) return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[at + k]);
      if (!is_continuation(next)) return std::nullopt;
      character = (character << 6) | (next & 0x3F);
    }
    if (character < least || character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) {
      return std::nullopt;
    }
    characters += character;
    at += length;
  }
  return characters;
}

bool beyond_ascii(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::string utf8_from_code_page_1252(std::string_view text) {
  std::string utf8;
  utf8.reserve(text.size() * 2);
  for (char c : text) {
    const char16_t code = code_page_1252_character(static_cast<unsigned char>(c));
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

std::optional<std::string> code_page_1252_from_utf8(std::string_view text) {
  const std::optional<std::u32string> characters = utf8_characters(text);
  if (!characters) return std::nullopt;
  std::string converted;
  converted.reserve(characters->size());
  for (char32_t character : *characters) {
    const std::optional<char> byte = code_page_1252_byte(character);
    if (!byte) return std::nullopt;
    converted += *byte;
  }
  return converted;
}

}  // namespace quillar
