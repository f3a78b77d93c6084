// Folders of the Windows build, held open (see Folder).
#ifndef QUILLAR_PLATFORM_WINDOWS_FOLDER_H_
#define QUILLAR_PLATFORM_WINDOWS_FOLDER_H_

#include <memory>
#include <string>

#include "platform/platform.h"

namespace quillar {

// The folder at `path` ("" for the working directory). Null, with errno
// set, when anything but a plain folder stands there or it does not open.
std::unique_ptr<Folder> open_windows_folder(const std::string& path);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_WINDOWS_FOLDER_H_
