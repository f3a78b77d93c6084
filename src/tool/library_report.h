// How quillar-profile names the RFC library that the sensor would use, and
// where the system's loader found it.
#ifndef QUILLAR_TOOL_LIBRARY_REPORT_H_
#define QUILLAR_TOOL_LIBRARY_REPORT_H_

#include <string>

#include "platform/platform.h"
#include "rfc/rfc_entry_points.h"

namespace quillar {

// The file name of an open library.
std::string library_file(const RfcLibrary& library);

// The folder that the loaded library came from, as far as it can be told;
// empty for a linked one.
std::string library_folder(Platform& platform, const RfcLibrary& library);

// The line "RFC library: FILE, WHAT IT IS, loaded from FOLDER" of an open
// library.
std::string library_description(Platform& platform, const RfcLibrary& library);

// For a library that did not open, of which a file was there
// (RfcLibrary::refused_file): the start of a line that names the file and
// where the loader found it, as in "RFC library: librfc32.dll, found in
// C:\PRTG\ (beside the program), does not load". Empty when no file was
// there.
std::string refused_library_line(Platform& platform, const RfcLibrary& library);

}  // namespace quillar

#endif  // QUILLAR_TOOL_LIBRARY_REPORT_H_
