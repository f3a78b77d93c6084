// Code page 1252, the Windows ANSI code page that the sensor's single-byte
// texts follow where no system says otherwise, and UTF-8, the encoding that
// Notepad saves in.
#ifndef QUILLAR_BASE_CODE_PAGE_1252_H_
#define QUILLAR_BASE_CODE_PAGE_1252_H_

#include <optional>
#include <string>
#include <string_view>

namespace quillar {

// The character of `byte`, as Windows converts it: the five bytes that the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) give the control
// characters of the same number.
char16_t code_page_1252_character(unsigned char byte);

// Whether the code page defines a character at `byte`; the five bytes above
// are no character of its own.
bool code_page_1252_defines(unsigned char byte);

// The byte that stands for `character`, the inverse of
// code_page_1252_character; nothing when the code page lacks the character.
std::optional<char> code_page_1252_byte(char32_t character);

// The characters of `text` when it is valid UTF-8: no stray or missing
// continuation byte, no overlong form, no surrogate, nothing above U+10FFFF
// (what Windows refuses as invalid too). Nothing otherwise.
std::optional<std::u32string> utf8_characters(std::string_view text);

// Whether `text` holds a byte above 127: ASCII alone reads the same in
// every code page the program meets.
bool beyond_ascii(std::string_view text);

// Each byte of code page 1252 in UTF-8, as code_page_1252_character names
// its character, so that every byte gives one.
std::string utf8_from_code_page_1252(std::string_view text);

// `text`, UTF-8, in code page 1252; nothing when it is no valid UTF-8 or
// holds a character that the code page lacks.
std::optional<std::string> code_page_1252_from_utf8(std::string_view text);

}  // namespace quillar

#endif  // QUILLAR_BASE_CODE_PAGE_1252_H_
