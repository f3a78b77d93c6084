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
#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/code_page_1252.h"
#include "platform/platform.h"
#include "platform/stdio_file.h"
#include "platform/windows_folder.h"
#include "platform/windows_process.h"
#include "platform/windows_rewrite.h"

namespace quillar {
namespace {

// A text of Windows' wide characters in the ANSI code page, for names and
// messages; what has no form there is a "?".
std::string ansi_text(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
  std::string converted(static_cast<std::size_t>(std::max(length, 0)), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), converted.data(), length, nullptr,
                      nullptr);
  return converted;
}

// See Platform::ansi_from_utf8.
std::optional<std::string> ansi_text_from_utf8(std::string_view text) {
  if (text.empty()) return std::string();
  if (text.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  // The code page UTF-8 takes no check for a default character.
  if (GetACP() == CP_UTF8) return utf8_characters(text) ? std::optional<std::string>(text) : std::nullopt;
  const int size = static_cast<int>(text.size());
  const int wide_length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (wide_length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), wide_length) != wide_length) {
    return std::nullopt;
  }
  BOOL used_default = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, nullptr, 0, nullptr,
                                         &used_default);
  if (length <= 0 || used_default) return std::nullopt;
  std::string converted(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, converted.data(), length, nullptr,
                          &used_default) != length ||
      used_default) {
    return std::nullopt;
  }
  return converted;
}

// The folder of a file's full path, with its last backslash.
std::wstring folder_part(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

std::wstring module_path(HMODULE module) {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return std::wstring();
  path.resize(length);
  return path;
}

// A folder that a system call writes into a buffer, with a backslash at
// its end.
std::wstring system_folder(UINT(WINAPI* get)(LPWSTR, UINT)) {
  wchar_t path[MAX_PATH + 1];
  const UINT length = get(path, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  std::wstring folder(path, length);
  if (folder.back() != L'\\') folder += L'\\';
  return folder;
}

// The folders of PATH that are full paths ("C:\...", "\\server\..."), each
// with a backslash at its end; the others would lie below the working
// directory.
std::vector<std::wstring> path_folders() {
  std::vector<std::wstring> folders;
  const DWORD room = GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (room == 0) return folders;
  std::wstring path(room, L'\0');
  const DWORD length = GetEnvironmentVariableW(L"PATH", path.data(), room);
  if (length == 0 || length >= room) return folders;
  path.resize(length);
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(L';', start);
    if (end == std::wstring::npos) end = path.size();
    std::wstring folder = path.substr(start, end - start);
    folder.erase(std::remove(folder.begin(), folder.end(), L'"'), folder.end());
    const bool drive_path = folder.size() >= 3 && folder[1] == L':' && (folder[2] == L'\\' || folder[2] == L'/');
    const bool network_path = folder.size() >= 3 && folder[0] == L'\\' && folder[1] == L'\\';
    if (drive_path || network_path) {
      if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
      folders.push_back(folder);
    }
    start = end + 1;
  }
  return folders;
}

bool same_folder(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

// A console stream: bytes as they are, which text mode ends with CR LF, but
// a text with characters beyond ASCII on a console in the console's own
// characters, as the ANSI code page means them; the console's code page (the
// OEM one) would show other letters for those bytes. Files and pipes, PRTG's
// among them, always get the bytes as they are.
class ConsoleStream {
 public:
  ConsoleStream(FILE* stream, DWORD standard_handle) : stream_(stream), standard_handle_(standard_handle) {}
  void write(std::string_view text) {
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
      if (!WriteConsoleW(handle, characters.data() + done, part, &written, nullptr) || written == 0) return;
      done += written;
    }
  }

 private:
  // Older consoles refuse a single write of more than some 64 KiB.
  static constexpr std::size_t kConsolePart = 8192;
  FILE* stream_;
  DWORD standard_handle_;
};

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
    // No "cannot find" message box may stop a sensor that nobody watches.
    UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = load_outside_working_directory(file_name, error_code);
    SetErrorMode(previous_mode);
    if (module == nullptr) return nullptr;
    return std::make_unique<WindowsLibrary>(module);
  }

  std::vector<DllFolder> dll_search_folders(const std::string& file_name, const std::string& prefix) override {
    std::vector<DllFolder> found;
    HMODULE module = GetModuleHandleW(wide(file_name).c_str());
    if (module == nullptr) return found;
    // The program's folder is the DLL directory too (see
    // load_outside_working_directory), which takes the working directory
    // out of the search.
    std::vector<std::wstring> folders = {folder_part(module_path(module)), folder_of_program(),
                                         system_folder(&GetSystemDirectoryW), system_folder(&GetWindowsDirectoryW)};
    for (std::wstring& folder : path_folders()) folders.push_back(std::move(folder));
    std::vector<std::wstring> seen;
    for (const std::wstring& folder : folders) {
      if (folder.empty() ||
          std::any_of(seen.begin(), seen.end(), [&](const std::wstring& other) { return same_folder(folder, other); })) {
        continue;
      }
      seen.push_back(folder);
      DllFolder listed{ansi_text(folder), {}};
      WIN32_FIND_DATAW entry;
      HANDLE search = FindFirstFileExW((folder + wide(prefix) + L"*.dll").c_str(), FindExInfoBasic, &entry,
                                       FindExSearchNameMatch, nullptr, 0);
      if (search != INVALID_HANDLE_VALUE) {
        do {
          if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) listed.names.push_back(ansi_text(entry.cFileName));
        } while (FindNextFileW(search, &entry));
        FindClose(search);
      }
      found.push_back(std::move(listed));
    }
    return found;
  }

  std::optional<LibraryFile> library_file_found(const std::string& file_name) override {
    const std::optional<WideLibraryFile> found = search_library_file(file_name);
    if (!found) return std::nullopt;
    return LibraryFile{ansi_text(found->folder), found->place};
  }

  std::string library_file_head(const std::string& file_name) override {
    // Loaded as data, a DLL of any machine maps; its headers lie at the
    // start of the mapping as in the file.
    const std::optional<WideLibraryFile> found = search_library_file(file_name);
    if (!found) return std::string();
    UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryExW((found->folder + wide(file_name)).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
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
 private:
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

  static std::wstring folder_of_program() { return folder_part(module_path(nullptr)); }

  struct WideLibraryFile {
    std::wstring folder;
    LibraryPlace place;
  };
  // The first folder of load_outside_working_directory's search that holds
  // a file of this name: the program's folder, then the system's search
  // without the working directory, which the DLL directory takes out.
  static std::optional<WideLibraryFile> search_library_file(const std::string& file_name) {
    std::vector<WideLibraryFile> folders = {{folder_of_program(), LibraryPlace::kBesideProgram},
                                            {system_folder(&GetSystemDirectoryW), LibraryPlace::kSystemFolder},
                                            {system_folder(&GetWindowsDirectoryW), LibraryPlace::kWindowsFolder}};
    for (std::wstring& folder : path_folders()) folders.push_back({std::move(folder), LibraryPlace::kPathFolder});
    const std::wstring name = wide(file_name);
    for (WideLibraryFile& candidate : folders) {
      if (candidate.folder.empty()) continue;
      const DWORD attributes = GetFileAttributesW((candidate.folder + name).c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::move(candidate);
      }
    }
    return std::nullopt;
  }

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
