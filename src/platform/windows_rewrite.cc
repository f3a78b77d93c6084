#include "platform/windows_rewrite.h"

// windows.h comes first: the other system headers build on it.
#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/windows_handles.h"
#include "platform/windows_support.h"

namespace quillar {
namespace {

// How long a rewrite waits for another one, or another program, to let the
// file go: long enough for a rewrite to end, short enough that nobody waits
// on a stuck one.
constexpr int kHoldTries = 40;
constexpr DWORD kHoldPauseMs = 50;
// Every rewrite locks this byte, far beyond the end of any profile: the
// lock keeps other rewrites out, and no reader of the file's bytes.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
// FileRenameInfoEx and its flags (Windows 10 1709 on), which MinGW's headers
// declare only for later targets than this one.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
constexpr DWORD kRenameReplacing = 0x1;
constexpr DWORD kRenamePosixSemantics = 0x2;

// The file itself, never a reparse point, open so that no other program
// may write it meanwhile (it may still read it, and the rename may replace
// it), and locked. Null with `busy` when another holder kept it for the
// whole wait; null with errno set for any other failure.
HANDLE hold(const std::wstring& path, bool& busy) {
  busy = false;
  for (int tries = 0;; ++tries) {
    OwnedHandle held(CreateFileW(path.c_str(), GENERIC_READ | READ_CONTROL | SYNCHRONIZE,
                                 FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    DWORD error = ERROR_SUCCESS;
    if (!held) {
      error = GetLastError();
    } else if (what_was_opened(held.get()) != Opened::kFile) {
      note_found(what_was_opened(held.get()));
      return nullptr;
    } else {
      OVERLAPPED at{};
      at.OffsetHigh = kLockOffsetHigh;
      if (LockFileEx(held.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        return held.release();
      }
      error = GetLastError();
    }
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) {
      note_error(error);
      return nullptr;
    }
    if (tries == kHoldTries) {
      busy = true;
      return nullptr;
    }
    Sleep(kHoldPauseMs);
  }
}

bool read_from_start(HANDLE file, std::string& bytes) {
  bytes.clear();
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return false;
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) return true;
    bytes.append(buffer, got);
  }
}

bool write_all(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD put = 0;
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    if (!WriteFile(file, bytes.data(), part, &put, nullptr) || put == 0) return false;
    bytes.remove_prefix(put);
  }
  return true;
}

bool same_file(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// Whether `path` still names the held file, which has no other name and
// holds `read`.
Rewrite compare_with_read(const std::wstring& path, HANDLE held, std::string_view read) {
  BY_HANDLE_FILE_INFORMATION opened;
  std::string bytes;
  if (!GetFileInformationByHandle(held, &opened) || !read_from_start(held, bytes)) {
    note_error(GetLastError());
    return Rewrite::kFailed;
  }
  if (opened.nNumberOfLinks > 1) return Rewrite::kLinked;
  OwnedHandle named(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION now;
  const bool still_named = named && GetFileInformationByHandle(named.get(), &now) && same_file(now, opened);
  return still_named && bytes == read ? Rewrite::kDone : Rewrite::kChanged;
}

// Gives the new file the access control list of the old one, protected
// from inheritance or not as the old one's is, and its owner and group.
// The list is set on the new file itself rather than left to ReplaceFile,
// which would need the old file let go first and so let another writer in.
Rewrite guard_as(HANDLE fresh, HANDLE held) {
  PSID owner = nullptr;
  PSID group = nullptr;
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  DWORD error = GetSecurityInfo(held, SE_FILE_OBJECT,
                                OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                &owner, &group, &list, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) {
    note_error(error);
    return Rewrite::kFailed;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  const SECURITY_INFORMATION inheritance = (control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION
                                                                              : UNPROTECTED_DACL_SECURITY_INFORMATION;
  const SECURITY_INFORMATION list_kind = DACL_SECURITY_INFORMATION | inheritance;
  Rewrite outcome = Rewrite::kDone;
  error = SetSecurityInfo(fresh, SE_FILE_OBJECT, list_kind, nullptr, nullptr, list, nullptr);
  if (error != ERROR_SUCCESS) outcome = Rewrite::kFailed;
  PSID made_owner = nullptr;
  PSECURITY_DESCRIPTOR made = nullptr;
  if (outcome == Rewrite::kDone) {
    error = GetSecurityInfo(fresh, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &made_owner, nullptr, nullptr, nullptr,
                            &made);
    if (error != ERROR_SUCCESS) outcome = Rewrite::kFailed;
  }
  if (outcome == Rewrite::kDone) {
    const bool other_owner = owner != nullptr && made_owner != nullptr && !EqualSid(owner, made_owner);
    const SECURITY_INFORMATION owner_kind =
        GROUP_SECURITY_INFORMATION | (other_owner ? OWNER_SECURITY_INFORMATION : 0);
    error = SetSecurityInfo(fresh, SE_FILE_OBJECT, owner_kind, other_owner ? owner : nullptr, group, nullptr, nullptr);
    if (error != ERROR_SUCCESS) outcome = other_owner ? Rewrite::kOwnerNotKept : Rewrite::kFailed;
  }
  if (made != nullptr) LocalFree(made);
  LocalFree(descriptor);
  if (outcome != Rewrite::kDone) note_error(error);
  return outcome;
}

// Writes the new file through a handle that may rename and remove it
// whatever access list it then gets: the access of a handle is settled
// when it opens.
HANDLE create_beside(const std::wstring& temporary) {
  HANDLE fresh = CreateFileW(temporary.c_str(),
                             GENERIC_WRITE | READ_CONTROL | WRITE_DAC | WRITE_OWNER | DELETE | SYNCHRONIZE, 0,
                             nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (fresh == INVALID_HANDLE_VALUE) {
    note_error(GetLastError());
    return nullptr;
  }
  return fresh;
}

Rewrite write_guarded(HANDLE fresh, HANDLE held, std::string_view content) {
  if (!write_all(fresh, content) || !FlushFileBuffers(fresh)) {
    note_error(GetLastError());
    return Rewrite::kFailed;
  }
  return guard_as(fresh, held);
}

// Gives the open file `fresh` the name `path`, replacing the file there.
// With POSIX semantics (Windows 10 1709 on) the old file may stay open;
// the older rename refuses to replace an open file, even one this program
// holds, so the old file is let go for that one step then.
bool rename_over(HANDLE fresh, const std::wstring& path, OwnedHandle& held) {
  std::wstring full(32768, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) {
    note_error(length == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  full.resize(length);
  const std::size_t name_offset = offsetof(FILE_RENAME_INFO, FileName);
  const std::size_t name_bytes = full.size() * sizeof(wchar_t);
  std::vector<std::uint64_t> buffer((name_offset + name_bytes + sizeof(wchar_t)) / sizeof(std::uint64_t) + 1);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(info->FileName, full.c_str(), name_bytes + sizeof(wchar_t));
  const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t));
  // The flags share their place with the older form's ReplaceIfExists, to
  // which any of them reads as true.
  auto rename_as = [&](FILE_INFO_BY_HANDLE_CLASS kind, DWORD flags) {
    std::memcpy(buffer.data(), &flags, sizeof flags);
    return SetFileInformationByHandle(fresh, kind, info, size) != FALSE;
  };
  if (rename_as(kFileRenameInfoEx, kRenameReplacing | kRenamePosixSemantics)) return true;
  DWORD error = GetLastError();
  if (error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) {
    if (rename_as(FileRenameInfo, kRenameReplacing)) return true;
    error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && held) {
      held.reset();
      if (rename_as(FileRenameInfo, kRenameReplacing)) return true;
      error = GetLastError();
    }
  }
  note_error(error);
  return false;
}

// Puts the new file in the old one's place with the old one's attributes
// (read-only, hidden). A read-only file is not replaced, so the old one
// loses the attribute for the step.
bool move_into_place(HANDLE fresh, const std::wstring& path, OwnedHandle& held) {
  BY_HANDLE_FILE_INFORMATION old;
  if (!GetFileInformationByHandle(held.get(), &old)) {
    note_error(GetLastError());
    return false;
  }
  const DWORD attributes = old.dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  const bool moved = rename_over(fresh, path, held);
  const int reason = errno;
  SetFileAttributesW(path.c_str(), attributes);
  errno = reason;
  return moved;
}

// Removes the new file through its own handle, which may do that whatever
// access list it got.
void remove_unused(HANDLE fresh) {
  FILE_DISPOSITION_INFO on_close{TRUE};
  SetFileInformationByHandle(fresh, FileDispositionInfo, &on_close, sizeof on_close);
}

}  // namespace

Rewrite rewrite_windows_file(const std::string& path, std::string_view read, std::string_view content,
                             std::uint64_t random) {
  const std::wstring name = wide(path);
  bool busy = false;
  OwnedHandle held(hold(name, busy));
  if (!held) return busy ? Rewrite::kBusy : Rewrite::kFailed;
  // Checked once before anything is written, and again before the rename.
  if (Rewrite compared = compare_with_read(name, held.get(), read); compared != Rewrite::kDone) return compared;
  OwnedHandle fresh(create_beside(wide(path + "." + std::to_string(random) + ".tmp")));
  if (!fresh) return Rewrite::kFailed;
  Rewrite outcome = write_guarded(fresh.get(), held.get(), content);
  if (outcome == Rewrite::kDone) outcome = compare_with_read(name, held.get(), read);
  if (outcome == Rewrite::kDone && !move_into_place(fresh.get(), name, held)) outcome = Rewrite::kFailed;
  if (outcome != Rewrite::kDone) {
    const int reason = errno;
    remove_unused(fresh.get());
    errno = reason;
  }
  return outcome;
}

}  // namespace quillar
