// The Windows platform: paths are handed to the C runtime as they stand, and
// standard output keeps the console's text mode, so each line feed leaves the
// program as CR LF. Nothing here reads the environment but PATH, where the
// loader's search for DLLs looks too.
// rand_s comes with this.
#define _CRT_RAND_S
#include <io.h>
#include <stdlib.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/stdio_file.h"
#include "platform/windows_console.h"
#include "platform/windows_folder.h"
#include "platform/windows_library.h"
#include "platform/windows_process.h"
#include "platform/windows_rewrite.h"
#include "platform/windows_support.h"
#include "platform/windows_text.h"

namespace quillar {
namespace {

// The thread of run_within: it owns its work, which may outlive the caller's
// wait. Nothing thrown leaves the thread.
DWORD WINAPI run_owned_work(void* parameter) {
  std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
  try {
    (*work)();
  } catch (...) {
  }
  return 0;
}

class WindowsPlatform final : public Platform {
 public:
  // The C runtime refuses to open a folder as a file, so no extra test is needed.
  std::unique_ptr<ReadableFile> open_bytes(const std::string& path) override {
    return make_readable(std::fopen(path.c_str(), "rb"));
  }
  std::unique_ptr<WritableFile> create_bytes(const std::string& path) override {
    return make_writable(std::fopen(path.c_str(), "wb"));
  }
  bool delete_file(const std::string& path) override { return std::remove(path.c_str()) == 0; }
  // The C runtime's rename refuses an existing target; MoveFileEx replaces
  // it in one step, and writes it through before it returns.
  bool replace_file(const std::string& from, const std::string& to) override {
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    errno = errno_of(GetLastError());
    return false;
  }
  Rewrite rewrite_file(const std::string& path, std::string_view read, std::string_view content) override {
    return rewrite_windows_file(path, read, content, random_number());
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
  bool input_is_terminal() override { return _isatty(_fileno(stdin)) != 0; }
  std::string full_path(const std::string& path) override {
    char full[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length == 0 || length >= sizeof full ? path : std::string(full, length);
  }
  std::optional<std::string> ansi_from_utf8(std::string_view text) override { return ansi_text_from_utf8(text); }
  std::string failure_reason() override { return std::strerror(errno); }
  std::unique_ptr<ChildProcess> start_program(const std::vector<std::string>& arguments,
                                              std::string_view job) override {
    return start_child_process(arguments, job);
  }
  std::optional<std::string> job_from_parent() override { return job_waiting_in_input(); }
  bool end_with_parent(unsigned long parent_id) override { return end_with_parent_process(parent_id); }
  unsigned long process_id() override { return GetCurrentProcessId(); }
  bool process_alive(unsigned long process_id) override { return windows_process_alive(process_id); }
  std::uint64_t random_number() override {
    unsigned int high = 0;
    unsigned int low = 0;
    if (rand_s(&high) != 0 || rand_s(&low) != 0) high = static_cast<unsigned int>(GetTickCount64());
    return (static_cast<std::uint64_t>(high) << 32) | low;
  }
  std::optional<std::string> environment_variable(const std::string& name) override {
    const DWORD room = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (room == 0) return std::nullopt;
    std::string value(room, '\0');
    const DWORD length = GetEnvironmentVariableA(name.c_str(), value.data(), room);
    if (length >= room) return std::nullopt;
    value.resize(length);
    return value;
  }
  bool set_environment_variable(const std::string& name, const std::optional<std::string>& value) override {
    // A DLL of another C runtime reads the process's block, a DLL of this
    // program's runtime may read the runtime's own copy: both must hold it,
    // whatever a runtime's _putenv_s does to the block.
    const bool runtime = _putenv_s(name.c_str(), value ? value->c_str() : "") == 0;
    const bool process = SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr) != 0;
    return runtime && process;
  }
  EntryKind entry_kind(const std::string& path) override { return windows_entry_kind(path); }
  std::unique_ptr<Folder> open_folder(const std::string& path) override { return open_windows_folder(path); }
  bool enter_directory(const std::string& path) override { return windows_enter_directory(path); }
  void finish_output(int) override { std::fflush(stdout); }
  void flush_console() override {
    std::fflush(stdout);
    std::fflush(stderr);
  }
  std::uint64_t monotonic_ms() override { return GetTickCount64(); }
  void sleep_ms(unsigned milliseconds) override { Sleep(milliseconds); }
  bool run_within(std::function<void()> work, std::uint64_t milliseconds) override {
    auto owned = std::make_unique<std::function<void()>>(std::move(work));
    HANDLE thread = CreateThread(nullptr, 0, run_owned_work, owned.get(), 0, nullptr);
    if (thread == nullptr) {
      // Without a thread of its own the work runs here, unbounded.
      (*owned)();
      return true;
    }
    owned.release();
    const DWORD wait = static_cast<DWORD>(std::min<std::uint64_t>(milliseconds, INFINITE - 1));
    const bool returned = WaitForSingleObject(thread, wait) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return returned;
  }
  std::unique_ptr<SharedLibrary> load_library(const std::string& file_name, unsigned long& error_code) override {
    return load_windows_library(file_name, error_code);
  }
  std::vector<DllFolder> dll_search_folders(const std::string& file_name, const std::string& prefix) override {
    return windows_dll_search_folders(file_name, prefix);
  }
  std::optional<LibraryFile> library_file_found(const std::string& file_name) override {
    return windows_library_file_found(file_name);
  }
  std::string library_file_head(const std::string& file_name) override { return windows_library_file_head(file_name); }

 private:
  bool read_secret_line(std::string& line) override {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    bool hide = input_is_terminal() && GetConsoleMode(input, &saved) != 0;
    if (hide) SetConsoleMode(input, saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    bool read = read_stream_line(stdin, line);
    if (hide) SetConsoleMode(input, saved);
    // The line end typed after the secret was not shown; a device that only
    // looks like a terminal (NUL) shows none either.
    if (input_is_terminal()) write_error_console("\n");
    return read;
  }

  ConsoleStream output_{stdout, STD_OUTPUT_HANDLE};
  ConsoleStream error_output_{stderr, STD_ERROR_HANDLE};
};

}  // namespace

std::unique_ptr<Platform> make_system_platform() { return std::make_unique<WindowsPlatform>(); }

}  // namespace quillar
