#include "base/texts.h"

#include <algorithm>
#include <limits>

namespace quillar {

std::string upper_case(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

std::string_view cut_to(std::string_view text, std::size_t room) { return text.substr(0, room); }

std::optional<std::string> keyword_value(std::string_view search, std::string_view text,
                                         std::string_view keyword, std::size_t room) {
  std::size_t at = search.find(keyword);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view value = cut_to(text.substr(std::min(at + keyword.size(), text.size())), room);
  return std::string(value.substr(0, value.find_first_of(" ,")));
}

void blanks_for_colons(std::string& text) {
  for (char& c : text) {
    if (c == ':') c = ' ';
  }
}

long leading_integer(std::string_view text) {
  std::size_t at = 0;
  auto is_space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (at < text.size() && is_space(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  constexpr long kMax = std::numeric_limits<long>::max();
  long value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    int digit = text[at] - '0';
    if (value > (kMax - digit) / 10) return negative ? std::numeric_limits<long>::min() : kMax;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

std::string listed_words(const std::vector<std::string>& words) {
  std::string listed;
  for (std::size_t k = 0; k < words.size(); ++k) {
    if (k > 0) listed += k + 1 == words.size() ? " or " : ", ";
    listed += words[k];
  }
  return listed;
}

std::string filled_in(std::string_view pattern, std::string_view value) {
  std::string filled;
  for (std::size_t at = pattern.find("{}"); at != std::string_view::npos; at = pattern.find("{}")) {
    filled.append(pattern.substr(0, at)).append(value);
    pattern.remove_prefix(at + 2);
  }
  return filled.append(pattern);
}

std::optional<std::uint64_t> plain_decimal(std::string_view text, std::size_t digits) {
  if (text.empty() || text.size() > digits || (text.size() > 1 && text[0] == '0')) return std::nullopt;
  std::uint64_t number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return number;
}

std::string hexadecimal_digits(std::uint64_t number) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (std::size_t k = 16; k-- > 0; number >>= 4) text[k] = kDigits[number & 0xF];
  return text;
}

std::string_view without_blanks_at_ends(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(' ') + 1 - start);
}

std::string_view without_trailing_blanks(std::string_view text) {
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

}  // namespace quillar
