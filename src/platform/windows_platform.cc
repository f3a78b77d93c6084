// The Windows platform: paths are handed to the C runtime as they stand, and
// standard output keeps the console's text mode, so each line feed leaves the
// program as CR LF. Nothing here reads the environment.
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
};

}  // namespace

std::unique_ptr<Platform> make_system_platform() { return std::make_unique<WindowsPlatform>(); }

}  // namespace quillar
