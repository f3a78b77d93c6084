// Windows paths on a POSIX file system, for the development build.
//
// Drive X: is the folder <drive root>/x. A drive path X:\a\b lies in that
// folder, a root-relative path \a\b on the current drive (the drive whose folder
// holds the working directory, or drive c), and any other path is relative to
// the working directory with its backslashes read as slashes. Names match
// without regard to letter case, as they do on Windows.
#ifndef QUILLAR_PLATFORM_POSIX_PATHS_H_
#define QUILLAR_PLATFORM_POSIX_PATHS_H_

#include <string>
#include <string_view>

namespace quillar {

struct DriveMap {
  std::string drive_root;   // absolute, without a trailing slash
  std::string working_dir;  // absolute, as the process sees it
};

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

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_POSIX_PATHS_H_
