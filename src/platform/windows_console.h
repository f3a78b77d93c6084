// A console stream of the Windows build: bytes as they are, which text mode
// ends with CR LF, but a text with characters beyond ASCII on a console in
// the console's own characters, as the ANSI code page means them; the
// console's code page (the OEM one) would show other letters for those
// bytes. Files and pipes, PRTG's among them, always get the bytes as they
// are.
#ifndef QUILLAR_PLATFORM_WINDOWS_CONSOLE_H_
#define QUILLAR_PLATFORM_WINDOWS_CONSOLE_H_

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <string_view>

namespace quillar {

class ConsoleStream {
 public:
  ConsoleStream(FILE* stream, DWORD standard_handle) : stream_(stream), standard_handle_(standard_handle) {}
  void write(std::string_view text);

 private:
  // Older consoles refuse a single write of more than some 64 KiB.
  static constexpr std::size_t kConsolePart = 8192;
  FILE* stream_;
  DWORD standard_handle_;
};

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_WINDOWS_CONSOLE_H_
