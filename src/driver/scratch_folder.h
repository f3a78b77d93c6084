// The scratch folders of child runs: private folders of the working
// directory, made fresh under names nobody can guess, cleared without ever
// following a link, and swept when the run that made them has died.
#ifndef QUILLAR_DRIVER_SCRATCH_FOLDER_H_
#define QUILLAR_DRIVER_SCRATCH_FOLDER_H_

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quillar {

// The number of the process that made a scratch folder of this name:
// "Quillar.", that number in decimal, ".", 1 to 16 lower-case hexadecimal
// digits. Nothing for any other name.
std::optional<unsigned long> scratch_owner(std::string_view name);

// Makes a new scratch folder in the working directory and gives its name.
// Each name is tried by an exclusive create, which fails when anything has
// that name already; then another. Nothing when no folder could be made.
std::optional<std::string> make_scratch_folder(Platform& platform);

// Carries the files a child's run left in its scratch folder into the
// working directory, as a run in one process would have written them there:
// the diagnostic log and the RFC trace file get the child's lines appended,
// the trace file goes when the child removed its own, and the destinations
// file is replaced by the child's. A write that fails is reported on
// standard error.
void merge_run_files(Platform& platform, const std::string& scratch, bool trace_removed);

// Removes a scratch folder and what is in it. Files of the sensor's own names
// are deleted; files and folders of other names (the RFC library's, say) end
// in the working directory, where a run in one process would have left them:
// a file is appended to the working directory's file of its name, or moved up
// when there is none; links are removed themselves. A scratch folder that is
// not a plain folder is left alone.
void clear_scratch_folder(Platform& platform, const std::string& scratch);

// Clears the scratch folders whose run has ended without clearing them (it
// was killed, say): their logs and trace blocks are carried into the working
// directory first. Folders of runs that still run are left to them.
void sweep_stale_scratch_folders(Platform& platform);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_SCRATCH_FOLDER_H_
