#include "platform/windows_library.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "platform/windows_support.h"
#include "platform/windows_text.h"

namespace quillar {
namespace {

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

std::wstring folder_of_program() { return folder_part(module_path(nullptr)); }

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

// The names of the DLLs in `folder` that begin with `prefix`.
std::vector<std::string> dll_names(const std::wstring& folder, const std::string& prefix) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileExW((folder + wide(prefix) + L"*.dll").c_str(), FindExInfoBasic, &entry,
                                   FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(ansi_text(entry.cFileName));
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return names;
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

// First the program's own folder by full path: the altered search then
// finds the DLLs that the library needs beside it too. Then the system's
// search by plain name. The DLL directory takes the working directory out
// of both searches, and of the loads that the library makes later on its
// own. Windows does that for an empty DLL directory; wine's loader takes
// an empty one for none and searches the working directory, so the DLL
// directory is the program's folder, which both search first anyway. The
// working directory itself is never changed: it is the whole process's.
HMODULE load_outside_working_directory(const std::string& file_name, unsigned long& error_code) {
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

struct WideLibraryFile {
  std::wstring folder;
  LibraryPlace place;
};

// The first folder of load_outside_working_directory's search that holds
// a file of this name: the program's folder, then the system's search
// without the working directory, which the DLL directory takes out.
std::optional<WideLibraryFile> search_library_file(const std::string& file_name) {
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

}  // namespace

std::unique_ptr<SharedLibrary> load_windows_library(const std::string& file_name, unsigned long& error_code) {
  // No "cannot find" message box may stop a sensor that nobody watches.
  UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = load_outside_working_directory(file_name, error_code);
  SetErrorMode(previous_mode);
  if (module == nullptr) return nullptr;
  return std::make_unique<WindowsLibrary>(module);
}

std::vector<DllFolder> windows_dll_search_folders(const std::string& file_name, const std::string& prefix) {
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
    found.push_back(DllFolder{ansi_text(folder), dll_names(folder, prefix)});
  }
  return found;
}

std::optional<LibraryFile> windows_library_file_found(const std::string& file_name) {
  const std::optional<WideLibraryFile> found = search_library_file(file_name);
  if (!found) return std::nullopt;
  return LibraryFile{ansi_text(found->folder), found->place};
}

std::string windows_library_file_head(const std::string& file_name) {
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

}  // namespace quillar
