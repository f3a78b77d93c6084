#include "platform/windows_handles.h"

// windows.h comes first: the other system headers build on it.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sddl.h>

#include <cerrno>

#include "platform/windows_support.h"

namespace quillar {

Opened what_was_opened(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return Opened::kOther;
  if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) return Opened::kOther;
  if (GetFileType(handle) != FILE_TYPE_DISK) return Opened::kOther;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Opened::kFolder;
  return info.nNumberOfLinks > 1 ? Opened::kOther : Opened::kFile;
}

void note_found(Opened found) {
  errno = found == Opened::kFolder ? EISDIR : found == Opened::kFile ? ENOTDIR : EPERM;
}

void note_error(DWORD error) { errno = errno_of(error); }

HANDLE open_checked(const std::wstring& path, DWORD access, DWORD disposition, Opened wanted) {
  const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT |
                      (wanted == Opened::kFolder ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL);
  OwnedHandle handle(CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll, nullptr,
                                 disposition, flags, nullptr));
  if (!handle) {
    const DWORD error = GetLastError();
    // A file open of a folder is refused as access denied; said as it is.
    const DWORD attributes = error == ERROR_ACCESS_DENIED ? GetFileAttributesW(path.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
        wanted != Opened::kFolder) {
      errno = EISDIR;
    } else {
      note_error(error);
    }
    return nullptr;
  }
  const Opened found = what_was_opened(handle.get());
  if (found != wanted) {
    note_found(found);
    return nullptr;
  }
  return handle.release();
}

HANDLE open_folder_handle(const std::wstring& path) {
  HANDLE handle = open_checked(path, READ_CONTROL, OPEN_EXISTING, Opened::kFolder);
  if (handle == nullptr && errno == EACCES) handle = open_checked(path, 0, OPEN_EXISTING, Opened::kFolder);
  return handle;
}

std::wstring literal_form(std::wstring path) {
  if (path.rfind(L"\\\\?\\", 0) != 0 && path.rfind(L"\\\\.\\", 0) != 0) {
    path = path.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC\\" + path.substr(2) : L"\\\\?\\" + path;
  }
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring folder_path(HANDLE handle, const std::wstring& given) {
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) break;
    if (length < path.size()) {
      path.resize(length);
      return literal_form(std::move(path));
    }
    path.resize(length);
  }
  const DWORD room = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
  path.assign(room, L'\0');
  const DWORD length = room == 0 ? 0 : GetFullPathNameW(given.c_str(), room, path.data(), nullptr);
  if (length == 0 || length >= room) return literal_form(given);
  path.resize(length);
  return literal_form(std::move(path));
}

std::optional<std::string> narrow(const wchar_t* text) {
  const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 1) return std::nullopt;
  std::string converted(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, text, -1, converted.data(), length, nullptr, nullptr) != length) {
    return std::nullopt;
  }
  converted.resize(converted.size() - 1);
  if (wide(converted) != text) return std::nullopt;
  return converted;
}

std::FILE* stream_of(HANDLE handle, int flags, const char* mode) {
  const int descriptor = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), flags);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* stream = _fdopen(descriptor, mode);
  if (stream == nullptr) {
    const int error = errno;
    _close(descriptor);
    errno = error;
  }
  return stream;
}

std::vector<std::uint64_t> token_information(TOKEN_INFORMATION_CLASS kind) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  OwnedHandle owned_token(token);
  DWORD size = 0;
  GetTokenInformation(token, kind, nullptr, 0, &size);
  std::vector<std::uint64_t> buffer((size + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
  if (size == 0 || !GetTokenInformation(token, kind, buffer.data(), size, &size)) return {};
  return buffer;
}

std::optional<std::wstring> user_sid_text() {
  std::vector<std::uint64_t> user = token_information(TokenUser);
  if (user.empty()) return std::nullopt;
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) return std::nullopt;
  std::wstring sid = text;
  LocalFree(text);
  return sid;
}

}  // namespace quillar
