#include "platform/windows_console.h"

#include <algorithm>
#include <string>

#include "base/code_page_1252.h"
#include "platform/windows_support.h"

namespace quillar {

void ConsoleStream::write(std::string_view text) {
  HANDLE handle = GetStdHandle(standard_handle_);
  DWORD mode = 0;
  if (!beyond_ascii(text) || handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
    std::fwrite(text.data(), 1, text.size(), stream_);
    return;
  }
  // What the C runtime still holds was written before.
  std::fflush(stream_);
  std::wstring characters;
  for (wchar_t character : wide(std::string(text))) {
    if (character == L'\n') characters += L'\r';
    characters += character;
  }
  std::size_t done = 0;
  while (done < characters.size()) {
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(characters.size() - done, kConsolePart));
    DWORD written = 0;
    if (!WriteConsoleW(handle, characters.data() + done, part, &written, nullptr) || written == 0) {
      // A console that takes none of it still gets the bytes as they are;
      // what it took in part stays written once.
      if (done == 0) std::fwrite(text.data(), 1, text.size(), stream_);
      return;
    }
    done += written;
  }
}

}  // namespace quillar
