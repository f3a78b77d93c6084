// Plain files of the POSIX build, reached through descriptors: what opened
// is kept only when it is a plain file, checked through the descriptor
// itself, so that a FIFO, a device or a link put in its place is never read
// or written.
#ifndef QUILLAR_PLATFORM_POSIX_PLAIN_FILES_H_
#define QUILLAR_PLATFORM_POSIX_PLAIN_FILES_H_

#include <memory>
#include <string>

#include "platform/files.h"

namespace quillar {

// Opens a file by path for reading, following links as the Windows build
// does, but only a plain file: a FIFO or device there would never end or
// never answer. -1, with errno set, otherwise.
int open_readable(const std::string& path);

// Opens `name` of the folder `folder` with `flags` (never following a link,
// never waiting on a FIFO or device) and keeps it only when it is a plain
// file of one link. -1, with errno set, otherwise.
int open_plain_file(int folder, const std::string& name, int flags);

// The file open at `descriptor`, which it then owns, read straight from the
// descriptor.
std::unique_ptr<ReadableFile> readable_descriptor(int descriptor);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_POSIX_PLAIN_FILES_H_
