#include "platform/windows_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "base/code_page_1252.h"

namespace quillar {

std::string ansi_text(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
  std::string converted(static_cast<std::size_t>(std::max(length, 0)), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), converted.data(), length, nullptr,
                      nullptr);
  return converted;
}

std::optional<std::string> ansi_text_from_utf8(std::string_view text) {
  if (text.empty()) return std::string();
  if (text.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  // The code page UTF-8 takes no check for a default character.
  if (GetACP() == CP_UTF8) return utf8_characters(text) ? std::optional<std::string>(text) : std::nullopt;
  const int size = static_cast<int>(text.size());
  const int wide_length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (wide_length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), wide_length) != wide_length) {
    return std::nullopt;
  }
  BOOL used_default = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, nullptr, 0, nullptr,
                                         &used_default);
  if (length <= 0 || used_default) return std::nullopt;
  std::string converted(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, converted.data(), length, nullptr,
                          &used_default) != length ||
      used_default) {
    return std::nullopt;
  }
  return converted;
}

}  // namespace quillar
