// The program's texts, single bytes of the Windows ANSI code page (1252), in
// UTF-8 for a terminal that reads that.
#ifndef QUILLAR_BASE_ANSI_UTF8_H_
#define QUILLAR_BASE_ANSI_UTF8_H_

#include <string>
#include <string_view>

namespace quillar {

// Whether `text` holds a byte above 127: ASCII alone reads the same in
// every code page the program meets.
bool beyond_ascii(std::string_view text);

// Each byte of code page 1252 as its character in UTF-8; the five bytes the
// code page leaves undefined become the control characters of the same
// number, as Windows converts them, so every byte gives a character.
std::string utf8_from_ansi(std::string_view ansi);

}  // namespace quillar

#endif  // QUILLAR_BASE_ANSI_UTF8_H_
