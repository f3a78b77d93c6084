// The POSIX platform of the development build. It emulates the Windows paths of
// the product on folders below a drive root: /mnt, or the folder that the
// environment variable QUILLAR_DRIVE_ROOT names.
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <climits>

#include "platform/platform.h"
#include "platform/posix_paths.h"
#include "platform/stdio_file.h"

namespace quillar {
namespace {

std::string absolute_folder(const char* path) {
  char resolved[PATH_MAX];
  if (::realpath(path, resolved) != nullptr) return resolved;
  std::string as_given = path;
  while (as_given.size() > 1 && as_given.back() == '/') as_given.pop_back();
  return as_given;
}

DriveMap drives_of_this_process() {
  const char* root = std::getenv("QUILLAR_DRIVE_ROOT");
  DriveMap drives;
  drives.drive_root = absolute_folder(root != nullptr && *root != '\0' ? root : "/mnt");
  if (drives.drive_root == "/") drives.drive_root.clear();
  drives.working_dir = absolute_folder(".");
  return drives;
}

class PosixPlatform final : public Platform {
 public:
  PosixPlatform() : drives_(drives_of_this_process()) {}

  std::unique_ptr<ReadableFile> open_bytes(const std::string& path) override {
    // The name as written is tried first: it is nearly always right, and
    // matching the letter case costs a look into every folder on the way.
    std::string as_written = to_posix_path(path, drives_);
    std::FILE* stream = std::fopen(as_written.c_str(), "rb");
    if (stream == nullptr && errno == ENOENT) {
      std::string matched = match_letter_case(as_written);
      if (matched != as_written) stream = std::fopen(matched.c_str(), "rb");
    }
    if (stream == nullptr) return nullptr;
    struct stat info;
    if (::fstat(::fileno(stream), &info) != 0 || S_ISDIR(info.st_mode)) {
      std::fclose(stream);
      return nullptr;
    }
    return make_readable(stream);
  }
  std::unique_ptr<WritableFile> create_bytes(const std::string& path) override {
    return make_writable(std::fopen(local(path).c_str(), "wb"));
  }
  std::unique_ptr<WritableFile> append_text(const std::string& path) override {
    return make_writable(std::fopen(local(path).c_str(), "a"));
  }
  bool delete_file(const std::string& path) override {
    std::string as_written = to_posix_path(path, drives_);
    if (::unlink(as_written.c_str()) == 0) return true;
    if (errno != ENOENT) return false;
    std::string matched = match_letter_case(as_written);
    return matched != as_written && ::unlink(matched.c_str()) == 0;
  }
  std::string time_of_day() override { return local_time_of_day(); }
  void write_console(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  void write_error_console(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stderr);
  }
  bool input_is_terminal() override { return ::isatty(STDIN_FILENO) == 1; }
  std::string full_path(const std::string& path) override { return full_windows_path(path, drives_); }
  std::string failure_reason() override { return std::strerror(errno); }
  // The POSIX build links the RFC library; there is nothing to load.
  std::unique_ptr<SharedLibrary> load_library(const std::string&, unsigned long& error_code) override {
    error_code = kLoadModuleNotFound;
    return nullptr;
  }
  bool read_secret_line(std::string& line) override {
    termios saved;
    bool hide = input_is_terminal() && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hide) {
      termios quiet = saved;
      quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    bool read = read_stream_line(stdin, line);
    if (hide) {
      ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
      write_error_console("\n");
    }
    return read;
  }

 private:
  // The file a path names, matched in any letter case, so that writing
  // replaces a file whose name differs in case only.
  std::string local(const std::string& windows_path) const {
    return match_letter_case(to_posix_path(windows_path, drives_));
  }

  DriveMap drives_;
};

}  // namespace

std::unique_ptr<Platform> make_system_platform() { return std::make_unique<PosixPlatform>(); }

}  // namespace quillar
