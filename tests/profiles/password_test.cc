#include "profiles/password.h"

#include <gtest/gtest.h>

namespace quillar {
namespace {

bool all_printable(const std::string& text) {
  for (char c : text) {
    if (c < 0x20 || c > 0x7e) return false;
  }
  return true;
}

// Passwords of every length from 1 to 20, their characters running through
// the whole printable range from every starting point.
std::vector<std::string> sample_passwords() {
  std::vector<std::string> passwords;
  for (std::size_t length = 1; length <= kMaxPasswordLength; ++length) {
    for (int first = 0x20; first <= 0x7e; ++first) {
      std::string password;
      for (std::size_t i = 0; i < length; ++i) password += static_cast<char>(0x20 + (first - 0x20 + i * 7) % 95);
      passwords.push_back(password);
    }
  }
  for (const char* typical : {"Secret#1", "init1234", "p a s s", "\"quoted'", "back\\slash", "%s%n"}) {
    passwords.push_back(typical);
  }
  return passwords;
}

TEST(PasswordTest, ScrambledPasswordsArePrintableAndComeBackWhole) {
  const OffsetTable table;
  for (const std::string& password : sample_passwords()) {
    std::optional<std::string> stored = scramble_password(table, password);
    ASSERT_TRUE(stored.has_value()) << password;
    EXPECT_EQ(stored->size(), kScrambledLength) << password;
    EXPECT_TRUE(all_printable(*stored)) << password << " -> " << *stored;
    Descrambled back = descramble_password(table, *stored);
    EXPECT_EQ(back.fault, PasswordFault::kNone) << password;
    EXPECT_EQ(back.password, password);
  }
}

TEST(PasswordTest, OnlyClustersOfTheFiveRiskyCharactersCanBeRefused) {
  const OffsetTable table;
  // Up to four of ` { | } ~, anywhere, never stop a password.
  for (const char* password : {"~~~~", "````abcdefghijklmnop", "{|}~", "a~b~c~d~", "zzzzzzzzzzzzzzzzzzzz",
                               "aaaaaaaaaaaaaaaaaaaa", "~~~~zzzzzzzzzzzzzzzz"}) {
    EXPECT_TRUE(scramble_password(table, password).has_value()) << password;
  }
  EXPECT_FALSE(scramble_password(table, "~~~~~~~~~~~~~~~~~~~~").has_value());
}

TEST(PasswordTest, RefusesWhatTheFormatCannotHold) {
  const OffsetTable table;
  for (const std::string& password :
       {std::string(), std::string(21, 'a'), std::string("tab\there"), std::string("\xc3\xa4rger")}) {
    EXPECT_FALSE(scramble_password(table, password).has_value()) << password;
  }
}

// Builds a stored value from a header and a 20-character body, both given in
// clear, the body already folded.
std::string stored_from(const OffsetTable& table, const std::string& header, const std::string& body) {
  std::string stored;
  for (std::size_t i = 0; i < 4; ++i) stored += static_cast<char>(header[i] ^ table.at(i));
  std::size_t start = header[1] >= '0' && header[1] <= '9' ? static_cast<std::size_t>(header[1] - '0') : 0;
  for (std::size_t i = 0; i < body.size(); ++i) stored += static_cast<char>(body[i] ^ table.at(start + i));
  return stored;
}

TEST(PasswordTest, DescramblesTheHeaderAndFoldedBody) {
  const OffsetTable table;
  // Body D[0..19] = "ACEGIKMOQS" + "TRPNLJHFDB": unfolded "ABCDEFGHIJKLMNOPQRST".
  // The codes of A to T add up to 1490, so the check digit is 0.
  const std::string body = "ACEGIKMOQSTRPNLJHFDB";
  const std::string zero_in_body = std::string("ACEGIKMOQS") + '\0' + "RPNLJHFDB";
  const struct {
    std::string name;
    std::string stored;
    PasswordFault fault;
    std::string password;
  } cases[] = {
      {"length 20, start 3", stored_from(table, "0320", body), PasswordFault::kNone, "ABCDEFGHIJKLMNOPQRST"},
      {"length 5", stored_from(table, "0905", body), PasswordFault::kNone, "ABCDE"},
      {"length beyond the body gives all of it", stored_from(table, "0099", body), PasswordFault::kNone,
       "ABCDEFGHIJKLMNOPQRST"},
      {"length 0 gives no password", stored_from(table, "0000", body), PasswordFault::kNone, ""},
      // Without T (code 84) the sum is 1406.
      {"a zero byte adds no character", stored_from(table, "6020", zero_in_body), PasswordFault::kNone,
       "ABCDEFGHIJKLMNOPQRS"},
      {"check digit wrong", stored_from(table, "1320", body), PasswordFault::kWrongCheckDigit, ""},
      {"header not digits", stored_from(table, "0A20", body), PasswordFault::kInvalidHeader, ""},
      {"23 characters", stored_from(table, "0320", body).substr(0, 23), PasswordFault::kInvalidHeader, ""},
      {"25 characters", stored_from(table, "0320", body) + "x", PasswordFault::kInvalidHeader, ""},
      {"empty value", "", PasswordFault::kNone, ""},
      {"one character", "x", PasswordFault::kInvalidHeader, ""},
  };
  for (const auto& c : cases) {
    Descrambled result = descramble_password(table, c.stored);
    EXPECT_EQ(result.fault, c.fault) << c.name;
    EXPECT_EQ(result.password, c.password) << c.name;
  }
}

TEST(PasswordTest, OnlyAlphabetCharactersCountForTheCheckDigit) {
  const OffsetTable table;
  // Unfolded "a0#~" and 16 blanks: only "a" (97) and "0" (48) count, 145 in all.
  std::string body = "a#                ~0";
  EXPECT_EQ(descramble_password(table, stored_from(table, "5002", body)).password, "a0");
}

}  // namespace
}  // namespace quillar
