// What the parts of the Windows build share: owned handles, texts in
// Windows' wide characters, the C runtime's words for Windows errors, and
// entries of the file system seen by path.
#ifndef QUILLAR_PLATFORM_WINDOWS_SUPPORT_H_
#define QUILLAR_PLATFORM_WINDOWS_SUPPORT_H_

#include <windows.h>

#include <string>
#include <utility>

#include "platform/platform.h"

namespace quillar {

// A handle closed when it goes out of scope.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  ~OwnedHandle() { reset(); }
  HANDLE get() const { return handle_; }
  HANDLE* receive() {
    reset();
    return &handle_;
  }
  HANDLE release() { return std::exchange(handle_, nullptr); }
  void reset() {
    if (handle_ != nullptr) CloseHandle(handle_);
    handle_ = nullptr;
  }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HANDLE handle_;
};

// A text of the ANSI code page as Windows' wide characters.
std::wstring wide(const std::string& text);

// The C runtime's error number of a Windows error, so that failure_reason
// tells it in the same words as the C runtime's own failures.
int errno_of(unsigned long error);

// Entries of the file system, never following a reparse point.
EntryKind windows_entry_kind(const std::string& path);
bool windows_enter_directory(const std::string& path);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_WINDOWS_SUPPORT_H_
