#include "base/ansi_utf8.h"

#include <gtest/gtest.h>

#include <string>

#include "rfc/sap_characters.h"

namespace quillar {
namespace {

// The one code point of a UTF-8 text; -1 when it is anything else.
long single_code_point(const std::string& utf8) {
  if (utf8.empty()) return -1;
  const unsigned char lead = static_cast<unsigned char>(utf8[0]);
  const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 0;
  if (length == 0 || utf8.size() != length) return -1;
  long code = length == 1 ? lead : lead & (length == 2 ? 0x1F : 0x0F);
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(utf8[k]);
    if ((next & 0xC0) != 0x80) return -1;
    code = code << 6 | (next & 0x3F);
  }
  // An overlong form would let a terminal read something else.
  const long least = length == 1 ? 0 : length == 2 ? 0x80 : 0x800;
  return code >= least ? code : -1;
}

TEST(AnsiUtf8, TextsReadAsTheTerminalShouldShowThem) {
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
    EXPECT_EQ(utf8_from_ansi(c.ansi), c.utf8) << c.name;
    // Only a text that the conversion changes needs it.
    EXPECT_EQ(beyond_ascii(c.ansi), c.ansi != c.utf8) << c.name;
  }
}

// The library's own conversion of the same code page names each byte's
// character too; the two must agree on every byte.
TEST(AnsiUtf8, EveryByteAgreesWithTheRfcConversion) {
  for (int byte = 1; byte < 256; ++byte) {
    const std::string ansi(1, static_cast<char>(byte));
    const SapText sap = to_sap_text(ansi);
    ASSERT_EQ(sap.size(), 1u);
    EXPECT_EQ(single_code_point(utf8_from_ansi(ansi)), static_cast<long>(sap[0])) << "byte " << byte;
  }
}

}  // namespace
}  // namespace quillar
