// The scratch folders of child runs: private folders of the working
// directory, made fresh under names nobody can guess, held by this run from
// the moment they are made, cleared without ever following a link, and swept
// when the run that made them has died. Every file of them is reached
// through the folders held open, by names that are names and never paths
// (see Folder).
//
// What a folder holds is carried into the working directory exactly once,
// whatever ends a run midway (see folder_carry.h).
#ifndef QUILLAR_DRIVER_SCRATCH_FOLDER_H_
#define QUILLAR_DRIVER_SCRATCH_FOLDER_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "driver/folder_carry.h"
#include "platform/platform.h"

namespace quillar {

// The number of the process that made a scratch folder of this name:
// "Quillar.", that number in decimal, ".", 1 to 16 lower-case hexadecimal
// digits. Nothing for any other name.
std::optional<unsigned long> scratch_owner(std::string_view name);

// A scratch folder that this run made, held since: on Windows nobody can
// rename or remove it meanwhile; on POSIX intact() tells whether its name
// still stands for it.
class ScratchFolder {
 public:
  // Makes a new scratch folder in the working directory `working`, which
  // only this program's user can use. Each name is tried by an exclusive
  // create, which fails when anything has that name already; then another.
  // Nothing when no folder could be made; failure_reason tells why.
  static std::unique_ptr<ScratchFolder> make(Platform& platform, Folder& working);

  const std::string& name() const { return name_; }
  Folder& folder() { return *held_; }
  // Whether the entry of its name in `working` is still this folder, and
  // only this user can use it: nothing of it may be read otherwise, since
  // another user could have put something of their own in its place.
  bool intact(Folder& working);
  // The folder as held, for carry_out_scratch_folder; this is empty after.
  std::unique_ptr<Folder> let_go();

 private:
  ScratchFolder(std::string name, std::unique_ptr<Folder> held, EntryIdentity identity)
      : name_(std::move(name)), held_(std::move(held)), identity_(identity) {}
  std::string name_;
  std::unique_ptr<Folder> held_;
  EntryIdentity identity_;
};

// What a child's run left for the working directory besides its logs.
struct ChildLeftovers {
  // The child removed its RFC trace file: the working directory's goes too.
  bool trace_removed = false;
  // The child's destinations file replaces the working directory's.
  bool destinations = false;
};

// Carries what the scratch folder `name` of `working` holds, seen through
// `held`, into the working directory, as a run in one process would have
// written it there, and removes the folder. The diagnostic log and the RFC
// trace file get the folder's lines appended; files of other names (the RFC
// library's, say) are appended to the working directory's file of their
// name, or moved up when there is none; files of the sensor's own names are
// deleted; links are removed themselves. Files are carried in pieces of
// whole lines; runs of NUL bytes are dropped, and a line says how many; a
// line that an earlier writer left unended is ended first. A file in the
// working directory's place that is no plain file, or a write that fails,
// is reported on standard error. True when the folder is gone; false when
// the budget was spent, a write failed or the folder is no longer at its
// name: it is then left for a later run, which goes on from where this one
// stopped.
bool carry_out_scratch_folder(Platform& platform, Folder& working, const std::string& name,
                              std::unique_ptr<Folder> held, const ChildLeftovers& leftovers, WorkBudget& budget);

// Carries out the scratch folders of this user whose run has ended without
// clearing them (it was killed, say), each as carry_out_scratch_folder does.
// Each folder is first claimed by a rename to a name of this run's own, so
// runs that sweep at the same time never carry the same lines twice, and is
// carried only while it is the folder that was claimed and only this user
// can use it. Folders of runs that still run, of other users, or open to
// them are left alone. The working directory is listed once; what the
// budget leaves undone waits for the next run.
void sweep_stale_scratch_folders(Platform& platform, Folder& working, WorkBudget& budget);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_SCRATCH_FOLDER_H_
