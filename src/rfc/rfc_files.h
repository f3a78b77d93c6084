// The files that the RFC library reads and writes in the working directory,
// and the scan of its trace file for the text that explains a failure.
#ifndef QUILLAR_RFC_RFC_FILES_H_
#define QUILLAR_RFC_RFC_FILES_H_

#include <optional>
#include <string>
#include <string_view>

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
// The environment variable that names the file in which the classic RFC
// library looks destinations up instead: a full path, or a name in the
// working directory.
inline constexpr char kDestinationsVariable[] = "RFC_INI";

// Writes `content` to a new file of the working directory `working` under a
// name that this process alone uses ("SapRfc.", the process's number, a
// random number and ".ini"), made by an exclusive create, so that no other
// run reads or writes it and no link or file of that name is followed.
// Gives the name; nothing when the file was not written whole, and then
// nothing of it is left.
std::optional<std::string> write_private_destinations(Platform& platform, Folder& working,
                                                      std::string_view content);
// Whether `name` is a name that write_private_destinations gives, of any
// process, in any letter case.
bool is_private_destinations_name(std::string_view name);
// Removes the files of such names in `working` that processes left which no
// longer run (ended in the middle of their logon); a file of a process that
// runs, or may run, stays.
void remove_stale_private_destinations(Platform& platform, Folder& working);

// Makes `content` the destinations file of `working` in one step: a private
// file renamed over it, so that a reader finds either the old file or the
// new one whole, never a part or a mix of two runs' files. False when that
// failed, and when anything but a plain file of one link has the name;
// nothing of the private file is left then.
bool replace_destinations_file(Platform& platform, Folder& working, std::string_view content);

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
