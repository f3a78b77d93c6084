// Files and folders of the POSIX build, reached through descriptors: a
// folder held open, whose entries are opened relative to it and checked
// after opening (see Folder).
#ifndef QUILLAR_PLATFORM_POSIX_FOLDER_H_
#define QUILLAR_PLATFORM_POSIX_FOLDER_H_

#include <memory>
#include <string>

#include "platform/files.h"

namespace quillar {

// Opens a file by path for reading, following links as the Windows build
// does, but only a plain file: a FIFO or device there would never end or
// never answer. -1, with errno set, otherwise.
int open_readable(const std::string& path);

// The file open at `descriptor`, which it then owns, read straight from the
// descriptor.
std::unique_ptr<ReadableFile> readable_descriptor(int descriptor);

// The folder open at `descriptor`, which it then owns.
std::unique_ptr<Folder> posix_folder(int descriptor);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_POSIX_FOLDER_H_
