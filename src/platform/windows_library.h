// Libraries of the Windows build: loaded, and looked for, outside the
// working directory (see Platform::load_library).
#ifndef QUILLAR_PLATFORM_WINDOWS_LIBRARY_H_
#define QUILLAR_PLATFORM_WINDOWS_LIBRARY_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// See Platform::load_library. No message box of the system's stops a load
// that fails.
std::unique_ptr<SharedLibrary> load_windows_library(const std::string& file_name, unsigned long& error_code);

// See Platform::dll_search_folders.
std::vector<DllFolder> windows_dll_search_folders(const std::string& file_name, const std::string& prefix);

// See Platform::library_file_found.
std::optional<LibraryFile> windows_library_file_found(const std::string& file_name);

// See Platform::library_file_head.
std::string windows_library_file_head(const std::string& file_name);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_WINDOWS_LIBRARY_H_
