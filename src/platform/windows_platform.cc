// The Windows platform: paths are handed to the C runtime as they stand, and
// standard output keeps the console's text mode, so each line feed leaves the
// program as CR LF. Nothing here reads the environment.
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/stdio_file.h"

namespace quillar {
namespace {

class WindowsLibrary final : public SharedLibrary {
 public:
  explicit WindowsLibrary(HMODULE module) : module_(module) {}
  ~WindowsLibrary() override { FreeLibrary(module_); }
  void* entry_point(const char* name) override {
    return reinterpret_cast<void*>(GetProcAddress(module_, name));
  }

 private:
  HMODULE module_;
};

// One argument of a command line, quoted the way the C runtime splits it
// again: backslashes count only in front of a quote.
std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    text += c;
  }
  text.append(backslashes * 2, L'\\');
  return text + L"\"";
}

std::wstring wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring converted(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), converted.data(), length);
  return converted;
}

class WindowsChild final : public ChildProcess {
 public:
  explicit WindowsChild(HANDLE process) : process_(process) {}
  ~WindowsChild() override {
    if (!exit_code_) kill();
    CloseHandle(process_);
  }
  std::optional<int> exit_code() override {
    if (!exit_code_ && WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(process_, &code);
      exit_code_ = static_cast<int>(code);
    }
    return exit_code_;
  }
  void kill() override {
    if (exit_code_) return;
    TerminateProcess(process_, 137);
    WaitForSingleObject(process_, INFINITE);
    exit_code_ = 137;
  }

 private:
  HANDLE process_;
  std::optional<int> exit_code_;
};

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
    note_console_output(text);
  }
  void write_error_console(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stderr);
  }
  bool input_is_terminal() override { return _isatty(_fileno(stdin)) != 0; }
  std::string full_path(const std::string& path) override {
    char full[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length == 0 || length >= sizeof full ? path : std::string(full, length);
  }
  std::string failure_reason() override { return std::strerror(errno); }
  std::unique_ptr<WritableFile> append_bytes(const std::string& path) override {
    return make_writable(std::fopen(path.c_str(), "ab"));
  }
  bool make_directory(const std::string& path) override { return CreateDirectoryA(path.c_str(), nullptr) != 0; }
  bool remove_directory(const std::string& path) override { return RemoveDirectoryA(path.c_str()) != 0; }
  std::unique_ptr<ChildProcess> start_program(const std::vector<std::string>& arguments,
                                              const std::string& working_dir) override {
    // The children live in a job that ends them when this program ends, even
    // when PRTG ends it.
    if (job_ == nullptr) {
      job_ = CreateJobObjectW(nullptr, nullptr);
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      if (job_ != nullptr) SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    std::wstring self(32768, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (length == 0 || length >= self.size()) return nullptr;
    self.resize(length);
    std::wstring command_line = quoted(self);
    for (const std::string& argument : arguments) command_line += L" " + quoted(wide(argument));
    std::wstring folder = wide(full_path(working_dir));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(self.c_str(), command_line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        folder.c_str(), &startup, &process)) {
      return nullptr;
    }
    if (job_ != nullptr) AssignProcessToJobObject(job_, process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    return std::make_unique<WindowsChild>(process.hProcess);
  }
  void end_with_parent() override {}
  unsigned long process_id() override { return GetCurrentProcessId(); }
  std::uint64_t monotonic_ms() override { return GetTickCount64(); }
  void sleep_ms(unsigned milliseconds) override { Sleep(milliseconds); }
  std::unique_ptr<SharedLibrary> load_library(const std::string& file_name, unsigned long& error_code) override {
    // No "cannot find" message box may stop a sensor that nobody watches.
    UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = load_outside_working_directory(file_name, error_code);
    SetErrorMode(previous_mode);
    if (module == nullptr) return nullptr;
    return std::make_unique<WindowsLibrary>(module);
  }

 private:
  HANDLE job_ = nullptr;

  // First the program's own folder by full path: the altered search then
  // finds the DLLs that the library needs beside it too. Then the system's
  // search by plain name. The DLL directory takes the working directory out
  // of both searches, and of the loads that the library makes later on its
  // own. Windows does that for an empty DLL directory; wine's loader takes
  // an empty one for none and searches the working directory, so the DLL
  // directory is the program's folder, which both search first anyway. The
  // working directory itself is never changed: it is the whole process's.
  static HMODULE load_outside_working_directory(const std::string& file_name, unsigned long& error_code) {
    const std::wstring program_folder = folder_of_program();
    if (!SetDllDirectoryW(program_folder.c_str())) {
      error_code = GetLastError();
      return nullptr;
    }
    HMODULE module = nullptr;
    error_code = ERROR_MOD_NOT_FOUND;
    if (!program_folder.empty()) {
      const std::wstring beside = program_folder + wide(file_name);
      module = LoadLibraryExW(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
      if (module == nullptr) error_code = GetLastError();
      // The file is there, so what is not found is a DLL that it imports.
      if (module == nullptr && error_code == ERROR_MOD_NOT_FOUND &&
          GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) {
        error_code = kLoadImportMissing;
      }
    }
    // A file beside the program that cannot be loaded is the one to report.
    if (module == nullptr && error_code == ERROR_MOD_NOT_FOUND) {
      module = LoadLibraryW(wide(file_name).c_str());
      if (module == nullptr) error_code = GetLastError();
    }
    if (module != nullptr) error_code = 0;
    return module;
  }

  static std::wstring folder_of_program() {
    std::wstring path(32768, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return std::wstring();
    path.resize(length);
    std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
  }

  std::string library_file_head(const std::string& file_name) override {
    // Loaded as data, a DLL of any machine maps; its headers lie at the
    // start of the mapping as in the file.
    UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryExA(file_name.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    SetErrorMode(previous_mode);
    if (module == nullptr) return std::string();
    const char* start = reinterpret_cast<const char*>(reinterpret_cast<ULONG_PTR>(module) & ~ULONG_PTR{3});
    MEMORY_BASIC_INFORMATION region{};
    std::string head;
    if (VirtualQuery(start, &region, sizeof region) != 0) {
      head.assign(start, std::min<SIZE_T>(region.RegionSize, 4096));
    }
    FreeLibrary(module);
    return head;
  }
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
