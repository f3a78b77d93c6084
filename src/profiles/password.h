// The scrambled form in which a system profile stores its password.
//
// A stored value has 24 characters: a 4-character header (check digit, start
// position in the offset table, two-digit length) and a 20-character body,
// each character exclusive-or'ed with a byte of the offset table. The body
// holds the password and padding, folded from both ends: D[0], D[19], D[1],
// D[18], ... read back as the password. The format thus holds passwords of at
// most 20 characters.
#ifndef QUILLAR_PROFILES_PASSWORD_H_
#define QUILLAR_PROFILES_PASSWORD_H_

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillar {

class OffsetTable {
 public:
  static constexpr std::size_t kSize = 32;
  // The offsets repeat a cycle of five, which the constructor explains.
  OffsetTable();
  unsigned char at(std::size_t position) const { return bytes_[position]; }

 private:
  std::array<unsigned char, kSize> bytes_;
};

inline constexpr std::size_t kScrambledLength = 24;
inline constexpr std::size_t kMaxPasswordLength = 20;

enum class PasswordFault { kNone, kInvalidHeader, kWrongCheckDigit };

struct Descrambled {
  PasswordFault fault = PasswordFault::kNone;
  std::string password;
};

// The password that a stored value stands for. An empty value is an empty
// password.
Descrambled descramble_password(const OffsetTable& table, std::string_view stored);

// The stored value for a password of 1 to 20 printable ASCII characters,
// itself printable ASCII. Gives nothing for a password that is empty, too
// long, or holds other characters, and in the rare case that no start position
// keeps every scrambled character printable, which takes at least five of the
// characters ` { | } ~ in unlucky places.
std::optional<std::string> scramble_password(const OffsetTable& table, std::string_view password);

}  // namespace quillar

#endif  // QUILLAR_PROFILES_PASSWORD_H_
