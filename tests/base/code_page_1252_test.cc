#include "base/code_page_1252.h"

#include <gtest/gtest.h>

namespace quillar {
namespace {

// Each byte's character leads back to the byte, the undefined five too, as
// Windows converts them; that keeps a name the same through both ways.
TEST(CodePage1252Test, EveryByteRoundTrips) {
  for (int byte = 0; byte < 256; ++byte) {
    const char16_t character = code_page_1252_character(static_cast<unsigned char>(byte));
    EXPECT_EQ(code_page_1252_byte(character), static_cast<char>(byte)) << byte;
  }
  EXPECT_EQ(code_page_1252_character(0x80), u'\u20AC');
  EXPECT_EQ(code_page_1252_character(0x9F), u'\u0178');
  EXPECT_EQ(code_page_1252_character(0xDC), u'\u00DC');
  for (int undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_FALSE(code_page_1252_defines(static_cast<unsigned char>(undefined))) << undefined;
  }
  EXPECT_TRUE(code_page_1252_defines(0x80));
  EXPECT_TRUE(code_page_1252_defines(0xA0));
}

TEST(CodePage1252Test, ConvertsValidUtf8Only) {
  const struct {
    const char* name;
    std::string utf8;
    std::optional<std::string> converted;
  } cases[] = {
      {"ASCII", "C:\\PRTG", "C:\\PRTG"},
      {"Latin-1 letters", "\xC3\x9C" "ber \xC3\xA9t\xC3\xA9", "\xDC" "ber \xE9t\xE9"},
      {"the range 0x80 to 0x9F", "\xE2\x82\xAC \xC5\xB8 \xE2\x84\xA2", "\x80 \x9F \x99"},
      {"a character the code page lacks", "\xC5\x81" "odz", std::nullopt},
      {"beyond the basic plane", "\xF0\x9F\x98\x80", std::nullopt},
      {"a stray continuation byte", "a\x80", std::nullopt},
      {"a lead byte without its continuation", "\xC3", std::nullopt},
      {"a lead byte before ASCII", "\xC3" "A", std::nullopt},
      {"overlong slash", "\xC0\xAF", std::nullopt},
      {"overlong in three bytes", "\xE0\x80\xAF", std::nullopt},
      {"a surrogate", "\xED\xA0\x80", std::nullopt},
      {"above U+10FFFF", "\xF4\x90\x80\x80", std::nullopt},
      {"ANSI text", "M\xFC" "nchen", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(code_page_1252_from_utf8(c.utf8), c.converted) << c.name;
  }
  EXPECT_EQ(utf8_characters("\xF0\x9F\x98\x80" "a"), std::u32string(U"\U0001F600a"));
  EXPECT_EQ(utf8_characters("\xEF\xBF\xBF"), std::u32string(U"\uFFFF"));
}

// A text in UTF-8 reads as a terminal should show it.
TEST(CodePage1252Utf8, TextsReadAsTheTerminalShouldShowThem) {
  const struct {
    const char* name;
    std::string ansi;
    std::string utf8;
  } cases[] = {
      {"ASCII stays", "PRD.P00\r\n", "PRD.P00\r\n"},
      {"a letter above 0xA0", "PR\xC4.P00", "PR\xC3\x84.P00"},
      {"the euro sign from the 0x80 row", "\x80 5", "\xE2\x82\xAC 5"},
      {"an undefined byte", "\x81", "\xC2\x81"},
      {"the last byte", "\xFF", "\xC3\xBF"},
      {"a zero byte inside", std::string("a\0b", 3), std::string("a\0b", 3)},
      {"nothing", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(utf8_from_code_page_1252(c.ansi), c.utf8) << c.name;
    // Only a text that the conversion changes needs it.
    EXPECT_EQ(beyond_ascii(c.ansi), c.ansi != c.utf8) << c.name;
  }
}

// Every byte, written in UTF-8, reads back as the same byte: the encoder
// writes nothing that the decoder, which refuses overlong forms, refuses.
TEST(CodePage1252Utf8, EveryByteComesBackFromItsUtf8) {
  for (int byte = 1; byte < 256; ++byte) {
    const std::string text(1, static_cast<char>(byte));
    EXPECT_EQ(code_page_1252_from_utf8(utf8_from_code_page_1252(text)), text) << "byte " << byte;
  }
}

}  // namespace
}  // namespace quillar
