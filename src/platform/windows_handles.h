// Handles of the Windows file system for the folders held open: opened on
// what stands at a path itself, never through a reparse point, and checked
// through the new handle before they are used.
#ifndef QUILLAR_PLATFORM_WINDOWS_HANDLES_H_
#define QUILLAR_PLATFORM_WINDOWS_HANDLES_H_

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace quillar {

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// FileDispositionInfoEx (Windows 10 1607 on), which MinGW's headers declare
// only for later targets than this one.
inline constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

// What a handle was opened on.
enum class Opened { kFile, kFolder, kOther };

// Told by the handle itself, so that an entry swapped in after its name was
// looked at cannot pass for what was looked at. A plain file is on a disk
// (a pipe, a console or another device is not) and has this one name: a
// file with hard links lives under other names too, maybe outside the
// folder.
Opened what_was_opened(HANDLE handle);

// The C runtime's words for finding something other than what was wanted.
void note_found(Opened found);

// Sets errno to the C runtime's number of a Windows error.
void note_error(DWORD error);

// Opens what stands at `path` itself, never what a reparse point there
// names, and keeps it only when it is `wanted`. Null, with errno set,
// otherwise.
HANDLE open_checked(const std::wstring& path, DWORD access, DWORD disposition, Opened wanted);

// The handle of a plain folder. It reads the folder's owner too when the
// folder lets this user do that.
HANDLE open_folder_handle(const std::wstring& path);

// A path in the "\\?\" form, without a trailing separator, so that one and
// a name can follow.
std::wstring literal_form(std::wstring path);

// Where the open folder lies; the folder as it was given, made full, when
// the system cannot tell (a volume without a drive letter).
std::wstring folder_path(HANDLE handle, const std::wstring& given);

// A name of the file system in the ANSI code page, the program's own, when
// it converts there and back unchanged. A name that does not could only be
// reached under another one (a best fit, a "?"), so it is none the program
// can use.
std::optional<std::string> narrow(const wchar_t* text);

// The C runtime's stream of an open handle, which then owns the handle; the
// handle is closed when no stream comes of it.
std::FILE* stream_of(HANDLE handle, int flags, const char* mode);

// Information about this process's token of `kind`; empty when it cannot
// be read. The buffer's alignment suits the structures it holds.
std::vector<std::uint64_t> token_information(TOKEN_INFORMATION_CLASS kind);

// The user this program runs as, in the text form of a security descriptor.
std::optional<std::wstring> user_sid_text();

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_WINDOWS_HANDLES_H_
