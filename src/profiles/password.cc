#include "profiles/password.h"

namespace quillar {
namespace {

constexpr std::string_view kPasswordAlphabet =
    "01234567890abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::size_t kHeaderLength = 4;
constexpr std::size_t kBodyLength = 20;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_printable(unsigned char c) { return c >= 0x20 && c <= 0x7e; }

// The last decimal digit of the sum of the alphabet characters' codes.
int check_digit(std::string_view unfolded) {
  unsigned sum = 0;
  for (char c : unfolded) {
    if (kPasswordAlphabet.find(c) != std::string_view::npos) sum += static_cast<unsigned char>(c);
  }
  return static_cast<int>(sum % 10);
}

// Index into the body of the k-th character of the unfolded text.
std::size_t body_index(std::size_t k) { return k % 2 == 0 ? k / 2 : kBodyLength - 1 - k / 2; }

}  // namespace

OffsetTable::OffsetTable() {
  // Offsets below 0x20 keep every printable character printable, except that
  // one character per offset turns into DEL: offset 1 takes "~" there, 2 "}",
  // 3 "|", 4 "{" and 0x1F "`". The five offsets repeat every five positions,
  // so each of those characters rules out two of the ten start positions at
  // most, and the scrambler picks a start position that rules out none.
  constexpr unsigned char kCycle[] = {0x03, 0x1f, 0x01, 0x04, 0x02};
  for (std::size_t position = 0; position < kSize; ++position) {
    bytes_[position] = kCycle[position % sizeof kCycle];
  }
}

Descrambled descramble_password(const OffsetTable& table, std::string_view stored) {
  Descrambled result;
  if (stored.empty()) return result;
  char header[kHeaderLength];
  for (std::size_t i = 0; i < kHeaderLength && i < stored.size(); ++i) {
    header[i] = static_cast<char>(stored[i] ^ table.at(i));
  }
  if (stored.size() != kScrambledLength || !is_digit(header[0]) || !is_digit(header[1]) ||
      !is_digit(header[2]) || !is_digit(header[3])) {
    result.fault = PasswordFault::kInvalidHeader;
    return result;
  }
  std::size_t start = static_cast<std::size_t>(header[1] - '0');
  std::size_t length = static_cast<std::size_t>((header[2] - '0') * 10 + (header[3] - '0'));
  char body[kBodyLength];
  for (std::size_t i = 0; i < kBodyLength; ++i) {
    body[i] = static_cast<char>(stored[kHeaderLength + i] ^ table.at(start + i));
  }
  std::string unfolded;
  for (std::size_t k = 0; k < kBodyLength; ++k) {
    char c = body[body_index(k)];
    if (c != '\0') unfolded += c;
  }
  if (check_digit(unfolded) != header[0] - '0') {
    result.fault = PasswordFault::kWrongCheckDigit;
    return result;
  }
  result.password = unfolded.substr(0, length);
  return result;
}

std::optional<std::string> scramble_password(const OffsetTable& table, std::string_view password) {
  if (password.empty() || password.size() > kMaxPasswordLength) return std::nullopt;
  for (char c : password) {
    if (!is_printable(static_cast<unsigned char>(c))) return std::nullopt;
  }
  // Padding from the alphabet, drawn from the password itself, so that the
  // same password always gives the same value.
  std::string unfolded(password);
  unsigned mix = 17;
  for (char c : password) mix = mix * 31 + static_cast<unsigned char>(c);
  while (unfolded.size() < kBodyLength) {
    mix = mix * 1103515245u + 12345u;
    unfolded += kPasswordAlphabet[(mix >> 16) % kPasswordAlphabet.size()];
  }
  char body[kBodyLength];
  for (std::size_t k = 0; k < kBodyLength; ++k) body[body_index(k)] = unfolded[k];

  char header[kHeaderLength] = {
      static_cast<char>('0' + check_digit(unfolded)), '0',
      static_cast<char>('0' + password.size() / 10), static_cast<char>('0' + password.size() % 10)};
  for (std::size_t start = 0; start <= 9; ++start) {
    header[1] = static_cast<char>('0' + start);
    std::string stored;
    for (std::size_t i = 0; i < kHeaderLength; ++i) stored += static_cast<char>(header[i] ^ table.at(i));
    for (std::size_t i = 0; i < kBodyLength; ++i) {
      stored += static_cast<char>(body[i] ^ table.at(start + i));
    }
    bool printable = true;
    for (char c : stored) printable = printable && is_printable(static_cast<unsigned char>(c));
    if (printable) return stored;
  }
  return std::nullopt;
}

}  // namespace quillar
