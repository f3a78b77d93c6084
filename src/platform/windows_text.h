// Texts of Windows' wide characters and of UTF-8 in the ANSI code page, the
// program's own.
#ifndef QUILLAR_PLATFORM_WINDOWS_TEXT_H_
#define QUILLAR_PLATFORM_WINDOWS_TEXT_H_

#include <optional>
#include <string>
#include <string_view>

namespace quillar {

// A text of Windows' wide characters in the ANSI code page, for names and
// messages; what has no form there is a "?".
std::string ansi_text(const std::wstring& text);

// See Platform::ansi_from_utf8.
std::optional<std::string> ansi_text_from_utf8(std::string_view text);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_WINDOWS_TEXT_H_
