// Windows paths on a POSIX file system, for the development build.
//
// Drive X: is the folder <drive root>/x. A drive path X:\a\b lies in that
// folder, a root-relative path \a\b on the current drive (the drive whose folder
// holds the working directory, or drive c), and any other path is relative to
// the working directory with its backslashes read as slashes. Names match
// without regard to letter case, as they do on Windows.
#ifndef QUILLAR_PLATFORM_POSIX_PATHS_H_
#define QUILLAR_PLATFORM_POSIX_PATHS_H_

#include <dirent.h>
#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillar {

struct DriveMap {
  std::string drive_root;   // absolute, without a trailing slash
  std::string working_dir;  // absolute, as the process sees it
};

// Calls take(name) with the name of each entry of the folder open at
// `descriptor`, "." and ".." among them, until it gives false. False when
// the folder could not be read to its end. The folder is read in blocks on
// the stack: a directory stream would ask the system for its descriptor's
// flags and status and take its buffer from the heap first.
template <typename Take>
bool for_each_entry(int descriptor, Take take) {
  alignas(dirent64) char block[8192];
  for (;;) {
    const ssize_t filled = ::getdents64(descriptor, block, sizeof block);
    if (filled < 0 && errno == EINTR) continue;
    if (filled <= 0) return filled == 0;
    for (ssize_t at = 0; at < filled;) {
      const auto* entry = reinterpret_cast<const dirent64*>(block + at);
      if (!take(std::string_view(entry->d_name))) return true;
      at += entry->d_reclen;
    }
  }
}

// The letter (a to z) of the drive whose folder holds the working directory,
// or 'c' when none does.
char current_drive(const DriveMap& drives);

// The POSIX path that a Windows path stands for, letter case as written.
std::string to_posix_path(std::string_view windows_path, const DriveMap& drives);

// The Windows path that a path as written stands for: a drive path as it
// is, a root-relative path on the current drive, any other path in the
// working directory (named on its drive when it lies below the drive root).
std::string full_windows_path(std::string_view windows_path, const DriveMap& drives);

// Replaces each component that does not exist as written by the entry of its
// folder whose name matches in any letter case (the first in byte order when
// several do). Components without any match stay as written, so the result
// also names files that are about to be created.
std::string match_letter_case(const std::string& posix_path);

// match_letter_case, for the lookups of one platform. It looks at each
// folder on the way as it stands now, unless told to keep what it sees: then
// it looks at each path and lists each folder once, and answers from that
// until told to forget it all.
//
// It keeps nothing unless told, and is told only for the span of a search
// that opens files for reading and does nothing else (see
// Platform::keep_folder_listings). Listings kept for the whole run would go
// stale without notice, because not every change to a folder passes through
// the platform: the RFC library writes its trace file into the working
// directory, and the children of a run make and fill their scratch folders.
// Forgetting at each change the platform makes would not cover those. The
// lookups that repeat within a run are those of the search for the profile,
// whose probes share their first folders; during it nothing runs that could
// change a folder, so what it keeps is sound, and every file written or
// removed after it is seen as it then stands.
class LetterCaseMatcher {
 public:
  // True from now on keeps what lookups see; false forgets it all.
  void keep_what_is_seen(bool keep);

  // The path as match_letter_case gives it. Its first `known` characters
  // (none, or up to a slash) name a folder that exists as written, such as
  // the drive root or the working directory: they are POSIX names, taken as
  // they are. `missing_as_written` tells that the whole path as written was
  // found to name nothing, which spares looking at it once more.
  std::string match(const std::string& posix_path, std::size_t known, bool missing_as_written);

  // How many folders have been listed so far.
  std::size_t listings_made() const { return listings_made_; }

 private:
  enum class Found { kAsWritten, kOtherCase, kNone };
  struct Listing {
    std::string folder;
    std::vector<std::string> names;
  };
  // What the last component of `path`, which starts at `name_at`, stands
  // for in its folder; `other` gets the entry's name when it differs in
  // letter case.
  Found look_up(const std::string& path, std::size_t name_at, bool missing_as_written, std::string& other);

  bool keeping_ = false;
  std::size_t listings_made_ = 0;
  // A run's searches look into a handful of folders, so a list serves.
  std::vector<Listing> listings_;
  // Paths found to exist as written.
  std::vector<std::string> existing_;
};

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_POSIX_PATHS_H_
