// A folder is held by a handle and by its path in the "\\?\" form, which
// takes every name after it literally: no entry name is read as a device
// (NUL, CON, COM1), no trailing dot or blank of one is dropped, and no
// MAX_PATH limit applies. An entry is reached by that path and its name, and
// what opened is checked through the new handle before it is used.
//
// Every handle shares reading, writing and deleting: sensors side by side in
// one folder read and append the same files, and a folder that is held open
// can still be removed or renamed, as on POSIX.
#include "platform/windows_folder.h"

// windows.h comes first: the other system headers build on it.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "platform/stdio_file.h"
#include "platform/windows_handles.h"
#include "platform/windows_ownership.h"
#include "platform/windows_support.h"

namespace quillar {
namespace {

std::optional<EntryIdentity> identity_of(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) {
    note_error(GetLastError());
    return std::nullopt;
  }
  return EntryIdentity{info.dwVolumeSerialNumber,
                       (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

class WindowsFolder final : public Folder {
 public:
  WindowsFolder(HANDLE handle, std::wstring path) : handle_(handle), path_(std::move(path)) {}

  std::vector<std::string> entries() override {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW((path_ + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
      note_error(GetLastError());
      return names;
    }
    do {
      std::optional<std::string> name = narrow(found.cFileName);
      if (name && is_entry_name(*name)) names.push_back(*std::move(name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  }

  // A name that no entry may have stands for something this folder does
  // not hand out: never missing, which would invite making it.
  EntryKind kind(const std::string& name) override {
    const std::wstring path = entry_path(name);
    if (path.empty()) return EntryKind::kOther;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = GetLastError();
      note_error(error);
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EntryKind::kMissing : EntryKind::kOther;
    }
    if ((attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) return EntryKind::kOther;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::kFolder;
    // Only a handle tells how many names a file has.
    const OwnedHandle file(open_checked(path, 0, OPEN_EXISTING, Opened::kFile));
    if (file) return EntryKind::kFile;
    return errno == ENOENT ? EntryKind::kMissing : EntryKind::kOther;
  }

  std::unique_ptr<ReadableFile> open_file(const std::string& name) override {
    const std::wstring path = entry_path(name);
    if (path.empty()) return nullptr;
    HANDLE handle = open_checked(path, GENERIC_READ, OPEN_EXISTING, Opened::kFile);
    if (handle == nullptr) return nullptr;
    return make_readable(stream_of(handle, _O_RDONLY, "rb"));
  }

  std::unique_ptr<WritableFile> write_file(const std::string& name, FileWriting how) override {
    const std::wstring path = entry_path(name);
    if (path.empty()) return nullptr;
    const bool appending = how == FileWriting::kAppend || how == FileWriting::kAppendText;
    // Without FILE_WRITE_DATA every write lands at the end of the file as
    // it is then, so that appenders in several processes never write over
    // each other's lines.
    HANDLE handle = open_checked(path, appending ? FILE_APPEND_DATA : GENERIC_WRITE,
                                 how == FileWriting::kNew ? CREATE_NEW : OPEN_ALWAYS, Opened::kFile);
    if (handle == nullptr) return nullptr;
    // Emptied only now that it is known to be a plain file.
    if (how == FileWriting::kReplace && !SetEndOfFile(handle)) {
      note_error(GetLastError());
      CloseHandle(handle);
      return nullptr;
    }
    switch (how) {
      case FileWriting::kAppendText: return make_writable(stream_of(handle, _O_APPEND | _O_TEXT, "at"));
      case FileWriting::kAppend: return make_writable(stream_of(handle, _O_APPEND, "ab"));
      case FileWriting::kReplace:
      case FileWriting::kNew: break;
    }
    return make_writable(stream_of(handle, 0, "wb"));
  }

  bool remove_file(const std::string& name) override { return remove_entry(name, Opened::kFile); }

  std::unique_ptr<Folder> open_folder(const std::string& name) override {
    std::wstring path = entry_path(name);
    if (path.empty()) return nullptr;
    HANDLE handle = open_folder_handle(path);
    if (handle == nullptr) return nullptr;
    return std::make_unique<WindowsFolder>(handle, std::move(path));
  }

  bool make_private_folder(const std::string& name) override {
    const std::wstring path = entry_path(name);
    if (path.empty()) return false;
    return make_folder_of_this_user(path);
  }

  bool remove_folder(const std::string& name) override { return remove_entry(name, Opened::kFolder); }

  bool move(const std::string& name, Folder& target, const std::string& new_name, bool replace) override {
    auto* destination = dynamic_cast<WindowsFolder*>(&target);
    if (destination == nullptr) {
      errno = EXDEV;
      return false;
    }
    const std::wstring from = entry_path(name);
    const std::wstring to = destination->entry_path(new_name);
    if (from.empty() || to.empty()) return false;
    if (replace) {
      // Windows replaces no folder anyway; wine would replace an empty one.
      const DWORD attributes = GetFileAttributesW(to.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
          (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        errno = EISDIR;
        return false;
      }
    }
    if (MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) return true;
    note_error(GetLastError());
    return false;
  }

  bool owned_by_this_user() override { return folder_owned_by_this_user(handle_.get()); }

  bool private_to_this_user() override { return folder_private_to_this_user(handle_.get()); }

  std::optional<EntryIdentity> identity() override { return identity_of(handle_.get()); }

  std::optional<EntryIdentity> entry_identity(const std::string& name) override {
    const std::wstring path = entry_path(name);
    if (path.empty()) return std::nullopt;
    OwnedHandle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
      note_error(GetLastError());
      return std::nullopt;
    }
    return identity_of(handle.get());
  }

  // Without FILE_SHARE_DELETE in its handle, the folder can be neither
  // renamed nor removed while it is held; what is in it can.
  std::unique_ptr<Folder> pin_folder(const std::string& name) override {
    std::wstring path = entry_path(name);
    if (path.empty()) return nullptr;
    OwnedHandle handle(CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
      note_error(GetLastError());
      return nullptr;
    }
    const Opened found = what_was_opened(handle.get());
    if (found != Opened::kFolder) {
      note_found(found);
      return nullptr;
    }
    return std::make_unique<WindowsFolder>(handle.release(), std::move(path));
  }

 private:
  // Empty, with errno set, for a name that no entry may have.
  std::wstring entry_path(const std::string& name) const {
    if (!is_entry_name(name)) {
      errno = EINVAL;
      return std::wstring();
    }
    return path_ + L"\\" + wide(name);
  }

  // Removes the entry itself through a handle of what was checked: a plain
  // folder for `wanted` kFolder, anything but one otherwise. Where the
  // system can, the name goes at once, as on POSIX, even while others hold
  // the entry open; elsewhere when the last of them closes it.
  bool remove_entry(const std::string& name, Opened wanted) {
    const std::wstring path = entry_path(name);
    if (path.empty()) return false;
    OwnedHandle handle(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
      note_error(GetLastError());
      return false;
    }
    const Opened found = what_was_opened(handle.get());
    if ((found == Opened::kFolder) != (wanted == Opened::kFolder)) {
      note_found(found);
      return false;
    }
    FILE_DISPOSITION_INFO_EX at_once{FILE_DISPOSITION_FLAG_DELETE | FILE_DISPOSITION_FLAG_POSIX_SEMANTICS |
                                     FILE_DISPOSITION_FLAG_IGNORE_READONLY_ATTRIBUTE};
    if (SetFileInformationByHandle(handle.get(), kFileDispositionInfoEx, &at_once, sizeof at_once)) return true;
    DWORD error = GetLastError();
    if (error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) {
      FILE_DISPOSITION_INFO on_close{TRUE};
      if (SetFileInformationByHandle(handle.get(), FileDispositionInfo, &on_close, sizeof on_close)) return true;
      error = GetLastError();
    }
    note_error(error);
    return false;
  }

  OwnedHandle handle_;
  std::wstring path_;
};

}  // namespace

std::unique_ptr<Folder> open_windows_folder(const std::string& path) {
  const std::wstring given = path.empty() ? std::wstring(L".") : wide(path);
  HANDLE handle = open_folder_handle(given);
  if (handle == nullptr) return nullptr;
  return std::make_unique<WindowsFolder>(handle, folder_path(handle, given));
}

}  // namespace quillar
