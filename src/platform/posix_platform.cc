// The POSIX platform of the development build. It emulates the Windows paths of
// the product on folders below a drive root: /mnt, or the folder that the
// environment variable QUILLAR_DRIVE_ROOT names.
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <signal.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <climits>
#include <mutex>
#include <thread>
#include <strings.h>

#include "base/code_page_1252.h"
#include "platform/platform.h"
#include "platform/posix_folder.h"
#include "platform/posix_plain_files.h"
#include "platform/posix_paths.h"
#include "platform/posix_process.h"
#include "platform/posix_rewrite.h"
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

// Whether `path` is `folder` or lies below it, by their names alone.
bool within(const std::string& path, const std::string& folder) {
  return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '/');
}

// Whether a terminal at `descriptor` reads UTF-8, by the character set of
// the locale that the environment names. That locale is looked at for this
// alone: the program's own stays "C", so that nothing else, numbers least of
// all, follows the environment.
bool utf8_terminal(int descriptor) {
  if (::isatty(descriptor) != 1) return false;
  locale_t environment = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (environment == static_cast<locale_t>(0)) return false;
  const char* codeset = ::nl_langinfo_l(CODESET, environment);
  const bool utf8 = codeset != nullptr && (::strcasecmp(codeset, "UTF-8") == 0 || ::strcasecmp(codeset, "UTF8") == 0);
  ::freelocale(environment);
  return utf8;
}

// A console stream: bytes as they are, but a text with characters beyond
// ASCII in UTF-8 on a terminal that reads UTF-8. Files and pipes, PRTG's
// among them, always get the bytes as they are.
class ConsoleStream {
 public:
  explicit ConsoleStream(FILE* stream) : stream_(stream) {}
  void write(std::string_view text) {
    if (beyond_ascii(text) && reads_utf8()) {
      const std::string utf8 = utf8_from_code_page_1252(text);
      std::fwrite(utf8.data(), 1, utf8.size(), stream_);
    } else {
      std::fwrite(text.data(), 1, text.size(), stream_);
    }
  }

 private:
  // Asked once, at the first text that needs it: the stream stays what it is.
  bool reads_utf8() {
    if (!reads_utf8_) reads_utf8_ = utf8_terminal(::fileno(stream_));
    return *reads_utf8_;
  }
  FILE* stream_;
  std::optional<bool> reads_utf8_;
};

DriveMap drives_of_this_process() {
  const char* variable = std::getenv("QUILLAR_DRIVE_ROOT");
  std::string root = variable != nullptr && *variable != '\0' ? variable : "/mnt";
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  DriveMap drives;
  drives.working_dir = absolute_folder(".");
  // The working directory is named without links, so a root that it lies
  // in is named without links too, and resolving it would find every
  // component as it stands.
  drives.drive_root = root[0] == '/' && within(drives.working_dir, root) ? root : absolute_folder(root.c_str());
  if (drives.drive_root == "/") drives.drive_root.clear();
  return drives;
}

class PosixPlatform final : public Platform {
 public:
  PosixPlatform() : drives_(drives_of_this_process()) {}

  std::unique_ptr<ReadableFile> open_bytes(const std::string& path) override {
    // The name as written is tried first: it is nearly always right, and
    // matching the letter case costs a look into every folder on the way.
    std::string as_written = to_posix_path(path, drives_);
    int descriptor = open_readable(as_written);
    if (descriptor < 0 && errno == ENOENT) {
      std::string matched = matched_letter_case(as_written, true);
      if (matched != as_written) descriptor = open_readable(matched);
    }
    if (descriptor < 0) return nullptr;
    return readable_descriptor(descriptor);
  }
  std::unique_ptr<WritableFile> create_bytes(const std::string& path) override {
    return make_writable(std::fopen(local(path).c_str(), "wbe"));
  }
  std::unique_ptr<ChildProcess> start_program(const std::vector<std::string>& arguments,
                                              std::string_view job) override {
    char self[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return nullptr;
    // Set before the first child rather than at start: a run without
    // children spends nothing on it.
    if (!child_signal_taken_) take_default_child_signal();
    child_signal_taken_ = true;
    return start_child_process(std::string(self, static_cast<std::size_t>(length)), arguments, job);
  }
  std::optional<std::string> job_from_parent() override { return job_on_standard_input(); }
  bool end_with_parent(unsigned long parent_id) override { return end_with_parent_process(parent_id); }
  unsigned long process_id() override { return static_cast<unsigned long>(::getpid()); }
  bool process_alive(unsigned long process_id) override {
    pid_t pid = static_cast<pid_t>(process_id);
    if (pid <= 0 || static_cast<unsigned long>(pid) != process_id) return false;
    return ::kill(pid, 0) == 0 || errno == EPERM;
  }
  std::uint64_t random_number() override {
    std::uint64_t number = 0;
    if (::getrandom(&number, sizeof number, 0) != static_cast<ssize_t>(sizeof number)) {
      // Without the kernel's randomness the name is still tried exclusively.
      number = static_cast<std::uint64_t>(monotonic_ms()) * 6364136223846793005ULL + ::getpid();
    }
    return number;
  }
  std::optional<std::string> environment_variable(const std::string& name) override {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  }
  bool set_environment_variable(const std::string& name, const std::optional<std::string>& value) override {
    return (value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str())) == 0;
  }
  // The entries of the scratch folders are named exactly; no other letter
  // case is looked for, which would mean looking through folders.
  EntryKind entry_kind(const std::string& path) override {
    struct stat info;
    if (::lstat(to_posix_path(path, drives_).c_str(), &info) != 0) {
      return errno == ENOENT || errno == ENOTDIR ? EntryKind::kMissing : EntryKind::kOther;
    }
    if (S_ISREG(info.st_mode)) return EntryKind::kFile;
    if (S_ISDIR(info.st_mode)) return EntryKind::kFolder;
    return EntryKind::kOther;
  }
  std::unique_ptr<Folder> open_folder(const std::string& path) override {
    std::string folder = path.empty() ? "." : matched_letter_case(to_posix_path(path, drives_), false);
    // A slash at the end would make the open follow a link there.
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    return posix_folder(descriptor);
  }
  void keep_folder_listings(bool keep) override { letter_case_.keep_what_is_seen(keep); }
  bool enter_directory(const std::string& path) override {
    int descriptor = ::open(to_posix_path(path, drives_).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return false;
    bool entered = ::fchdir(descriptor) == 0;
    ::close(descriptor);
    if (entered) drives_.working_dir = absolute_folder(".");
    return entered;
  }
  void finish_output(int) override { std::fflush(stdout); }
  void flush_console() override {
    std::fflush(stdout);
    std::fflush(stderr);
  }
  std::uint64_t monotonic_ms() override {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec / 1000000);
  }
  void sleep_ms(unsigned milliseconds) override {
    timespec pause{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000};
    ::nanosleep(&pause, nullptr);
  }
  bool run_within(std::function<void()> work, std::uint64_t milliseconds) override {
    // The state is shared with the thread, which may outlive this call.
    struct Shared {
      std::mutex mutex;
      std::condition_variable returned;
      bool done = false;
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, work = std::move(work)] {
      work();
      std::lock_guard<std::mutex> lock(shared->mutex);
      shared->done = true;
      shared->returned.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(shared->mutex);
    return shared->returned.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return shared->done; });
  }
  bool replace_file(const std::string& from, const std::string& to) override {
    return std::rename(local(from).c_str(), local(to).c_str()) == 0;
  }
  Rewrite rewrite_file(const std::string& path, std::string_view read, std::string_view content) override {
    return rewrite_posix_file(local(path), read, content, random_number());
  }
  bool delete_file(const std::string& path) override {
    std::string as_written = to_posix_path(path, drives_);
    if (::unlink(as_written.c_str()) == 0) return true;
    if (errno != ENOENT) return false;
    std::string matched = matched_letter_case(as_written, true);
    return matched != as_written && ::unlink(matched.c_str()) == 0;
  }
  std::string time_of_day() override { return local_time_of_day(); }
  void write_console(std::string_view text) override {
    output_.write(text);
    note_console_output(text);
  }
  void write_error_console(std::string_view text) override {
    std::fflush(stdout);
    error_output_.write(text);
  }
  bool input_is_terminal() override { return ::isatty(STDIN_FILENO) == 1; }
  std::string full_path(const std::string& path) override { return full_windows_path(path, drives_); }
  std::optional<std::string> ansi_from_utf8(std::string_view text) override { return code_page_1252_from_utf8(text); }
  std::string failure_reason() override { return std::strerror(errno); }
  // The POSIX build links the RFC library; there is nothing to load.
  std::unique_ptr<SharedLibrary> load_library(const std::string&, unsigned long& error_code) override {
    error_code = kLoadModuleNotFound;
    return nullptr;
  }
  std::optional<LibraryFile> library_file_found(const std::string&) override { return std::nullopt; }
  std::string library_file_head(const std::string&) override { return std::string(); }
  std::vector<DllFolder> dll_search_folders(const std::string&, const std::string&) override { return {}; }
  bool read_secret_line(std::string& line) override {
    termios saved;
    bool hide = input_is_terminal() && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hide) {
      termios quiet = saved;
      quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    bool read = read_stream_line(stdin, line);
    if (hide) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    // The line end typed after the secret was not shown; a device that only
    // looks like a terminal (/dev/null) shows none either.
    if (input_is_terminal()) write_error_console("\n");
    return read;
  }

 private:
  // The file a path names, matched in any letter case, so that writing
  // replaces a file whose name differs in case only.
  std::string local(const std::string& windows_path) {
    return matched_letter_case(to_posix_path(windows_path, drives_), false);
  }

  // match_letter_case for a path of this platform: the working directory
  // and the drive root are POSIX folders that exist as they are named, so
  // only what lies below them is looked at.
  std::string matched_letter_case(const std::string& posix_path, bool missing_as_written) {
    std::size_t known = 0;
    if (within(posix_path, drives_.working_dir)) {
      known = drives_.working_dir.size();
    } else if (!drives_.drive_root.empty() && within(posix_path, drives_.drive_root)) {
      known = drives_.drive_root.size();
    }
    return letter_case_.match(posix_path, known, missing_as_written);
  }

  DriveMap drives_;
  ConsoleStream output_{stdout};
  ConsoleStream error_output_{stderr};
  LetterCaseMatcher letter_case_;
  bool child_signal_taken_ = false;
};

}  // namespace

std::unique_ptr<Platform> make_system_platform() { return std::make_unique<PosixPlatform>(); }

}  // namespace quillar
