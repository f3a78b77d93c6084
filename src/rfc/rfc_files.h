// The files that the RFC library reads and writes in the working directory,
// and the scan of its trace file for the text that explains a failure.
#ifndef QUILLAR_RFC_RFC_FILES_H_
#define QUILLAR_RFC_RFC_FILES_H_

#include <string>

#include "base/status.h"
#include "platform/platform.h"

namespace quillar {

// The RFC library's trace file in the working directory.
inline constexpr char kTraceFileName[] = "Dev_Rfc.Trc";
// The destination file that selects a logon by destination ("SapRfc." and
// the destination), and the file in which the RFC library looks
// destinations up, in the working directory.
inline constexpr char kDestinationFilePrefix[] = "SapRfc.";
inline constexpr char kDestinationsFile[] = "SapRfc.ini";

// Error 1065 when the trace file of the working directory is neither
// missing nor a plain file of one link. The library writes that file itself,
// by name: through a link or a hard link into a file elsewhere, and into a
// FIFO it waits for a reader that never comes. Asked before the library
// first works in the working directory.
Status check_trace_file_place(Platform& platform);

// The remark for an error text after a failed call: " - " and the last error
// text of the RFC trace file, or a remark that asks the reader to look at
// the file. The file stays where it is.
std::string trace_file_remark(Platform& platform);

}  // namespace quillar

#endif  // QUILLAR_RFC_RFC_FILES_H_
