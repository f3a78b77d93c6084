// The Windows platform: paths are handed to the C runtime as they stand, and
// standard output keeps the console's text mode, so each line feed leaves the
// program as CR LF. Nothing here reads the environment.
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/platform.h"
#include "platform/stdio_file.h"

namespace quillar {
namespace {

class WindowsPlatform final : public Platform {
 public:
  // The C runtime refuses to open a folder as a file, so no extra test is needed.
  std::unique_ptr<ReadableFile> open_bytes(const std::string& path) override {
    return make_readable(std::fopen(path.c_str(), "rb"));
  }
  std::unique_ptr<WritableFile> create_bytes(const std::string& path) override {
    return make_writable(std::fopen(path.c_str(), "wb"));
  }
  std::unique_ptr<WritableFile> append_text(const std::string& path) override {
    return make_writable(std::fopen(path.c_str(), "at"));
  }
  bool delete_file(const std::string& path) override { return std::remove(path.c_str()) == 0; }
  std::string time_of_day() override { return local_time_of_day(); }
  void write_console(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  void write_error_console(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stderr);
  }
  bool input_is_terminal() override { return _isatty(_fileno(stdin)) != 0; }
  bool read_secret_line(std::string& line) override {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    bool hide = input_is_terminal() && GetConsoleMode(input, &saved) != 0;
    if (hide) SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    bool read = read_stream_line(stdin, line);
    if (hide) {
      SetConsoleMode(input, saved);
      write_error_console("\n");
    }
    return read;
  }
};

}  // namespace

std::unique_ptr<Platform> make_system_platform() { return std::make_unique<WindowsPlatform>(); }

}  // namespace quillar
