// Folders of the POSIX build, reached through descriptors: a folder held
// open, whose entries are opened relative to it and checked after opening
// (see Folder).
#ifndef QUILLAR_PLATFORM_POSIX_FOLDER_H_
#define QUILLAR_PLATFORM_POSIX_FOLDER_H_

#include <memory>

#include "platform/files.h"

namespace quillar {

// The folder open at `descriptor`, which it then owns.
std::unique_ptr<Folder> posix_folder(int descriptor);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_POSIX_FOLDER_H_
