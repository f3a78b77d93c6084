// The scratch folders of child runs: private folders of the working
// directory, made fresh under names nobody can guess, cleared without ever
// following a link, and swept when the run that made them has died. Every
// file of them is reached through the folders held open, by names that are
// names and never paths (see Folder).
#ifndef QUILLAR_DRIVER_SCRATCH_FOLDER_H_
#define QUILLAR_DRIVER_SCRATCH_FOLDER_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quillar {

// The number of the process that made a scratch folder of this name:
// "Quillar.", that number in decimal, ".", 1 to 16 lower-case hexadecimal
// digits. Nothing for any other name.
std::optional<unsigned long> scratch_owner(std::string_view name);

// Makes a new scratch folder in the working directory `working`, which only
// this program's user can use, and gives its name. Each name is tried by an
// exclusive create, which fails when anything has that name already; then
// another. Nothing when no folder could be made; failure_reason tells why.
std::optional<std::string> make_scratch_folder(Platform& platform, Folder& working);

// Of a file larger than this, only its last part is carried into the working
// directory: the bytes from the first line that begins in its last
// kCarriedRoom bytes, behind a line that says how much was left out.
inline constexpr std::uint64_t kCarriedRoom = 16 * 1024 * 1024;

// Carries the files a child's run left in its scratch folder into the
// working directory, as a run in one process would have written them there:
// the diagnostic log and the RFC trace file get the child's lines appended,
// the trace file goes when the child removed its own, and the destinations
// file is replaced by the child's. Files are carried in pieces of whole
// lines, never read whole. A write that fails, or a link, FIFO or anything
// but a plain file in the working directory's place, is reported on
// standard error.
void merge_run_files(Platform& platform, Folder& working, Folder& scratch, bool trace_removed);

// Removes the scratch folder `name` of `working` and what is in it. Files of
// the sensor's own names are deleted; files and folders of other names (the
// RFC library's, say) end in the working directory, where a run in one
// process would have left them: a file is appended to the working
// directory's file of its name, or moved up when there is none; links are
// removed themselves. Entries whose names could be read as paths are left
// alone, and so is a scratch folder that is not a plain folder.
void clear_scratch_folder(Platform& platform, Folder& working, const std::string& name);

// Clears the scratch folders of this user whose run has ended without
// clearing them (it was killed, say): their logs and trace blocks are
// carried into the working directory first. Each folder is first claimed by
// a rename to a name of this run's own, so runs that sweep at the same time
// never carry the same lines twice. Folders of runs that still run, and of
// other users, are left alone. Stops before the next folder once
// `out_of_time` says so.
void sweep_stale_scratch_folders(Platform& platform, Folder& working, const std::function<bool()>& out_of_time);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_SCRATCH_FOLDER_H_
