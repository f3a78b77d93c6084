// The rewrite of a file in its own place on Windows (see
// Platform::rewrite_file).
#ifndef QUILLAR_PLATFORM_WINDOWS_REWRITE_H_
#define QUILLAR_PLATFORM_WINDOWS_REWRITE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quillar {

// Rewrites the plain file at `path`, as Platform::rewrite_file says. The new
// file is written beside it under a name that holds `random`, made by an
// exclusive create. errno tells why for kFailed.
Rewrite rewrite_windows_file(const std::string& path, std::string_view read, std::string_view content,
                             std::uint64_t random);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_WINDOWS_REWRITE_H_
