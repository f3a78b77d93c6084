// The POSIX platform of the development build. It emulates the Windows paths of
// the product on folders below a drive root: /mnt, or the folder that the
// environment variable QUILLAR_DRIVE_ROOT names.
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
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

class PosixChild final : public ChildProcess {
 public:
  explicit PosixChild(pid_t pid) : pid_(pid) {}
  ~PosixChild() override {
    if (!exit_code_) kill();
  }
  std::optional<int> exit_code() override {
    if (exit_code_) return exit_code_;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    }
    return exit_code_;
  }
  void kill() override {
    if (exit_code_) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    exit_code_ = 128 + SIGKILL;
  }

 private:
  pid_t pid_;
  std::optional<int> exit_code_;
};

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
  std::unique_ptr<WritableFile> append_bytes(const std::string& path) override {
    return make_writable(std::fopen(local(path).c_str(), "ab"));
  }
  bool make_directory(const std::string& path) override { return ::mkdir(local(path).c_str(), 0700) == 0; }
  bool remove_directory(const std::string& path) override { return ::rmdir(local(path).c_str()) == 0; }
  std::unique_ptr<ChildProcess> start_program(const std::vector<std::string>& arguments,
                                              const std::string& working_dir) override {
    char self[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return nullptr;
    self[length] = '\0';
    std::vector<char*> argv;
    argv.push_back(self);
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    std::string folder = local(working_dir);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    int failed = posix_spawn(&pid, self, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return nullptr;
    return std::make_unique<PosixChild>(pid);
  }
  void end_with_parent() override {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() == 1) std::_Exit(128 + SIGKILL);
  }
  unsigned long process_id() override { return static_cast<unsigned long>(::getpid()); }
  std::uint64_t monotonic_ms() override {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec / 1000000);
  }
  void sleep_ms(unsigned milliseconds) override {
    timespec pause{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000};
    ::nanosleep(&pause, nullptr);
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
    note_console_output(text);
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
  std::string library_file_head(const std::string&) override { return std::string(); }
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
