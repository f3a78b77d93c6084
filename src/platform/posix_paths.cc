#include "platform/posix_paths.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <optional>

namespace quillar {
namespace {

bool is_drive_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char lower_letter(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

std::optional<std::string> entry_matching_case(const std::string& folder, const std::string& name) {
  DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
  if (listing == nullptr) return std::nullopt;
  std::optional<std::string> best;
  while (const dirent* entry = ::readdir(listing)) {
    if (::strcasecmp(entry->d_name, name.c_str()) != 0) continue;
    if (!best || *best > entry->d_name) best = entry->d_name;
  }
  ::closedir(listing);
  return best;
}

}  // namespace

char current_drive(const DriveMap& drives) {
  const std::string& root = drives.drive_root;
  const std::string& cwd = drives.working_dir;
  if (cwd.size() < root.size() + 2 || cwd.compare(0, root.size(), root) != 0) return 'c';
  if (cwd[root.size()] != '/') return 'c';
  char letter = cwd[root.size() + 1];
  bool whole_component = cwd.size() == root.size() + 2 || cwd[root.size() + 2] == '/';
  if (!whole_component || !is_drive_letter(letter)) return 'c';
  return lower_letter(letter);
}

std::string to_posix_path(std::string_view windows_path, const DriveMap& drives) {
  std::string path(windows_path);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  std::string drive_folder = drives.drive_root + "/";
  if (path.size() >= 2 && path[1] == ':' && is_drive_letter(path[0])) {
    char letter = lower_letter(path[0]);
    std::string rest = path.substr(2);
    if (!rest.empty() && rest[0] == '/') return drive_folder + letter + rest;
    // A drive-relative path: relative to the working directory on its own
    // drive, and to the drive's root on any other.
    if (letter == current_drive(drives)) return drives.working_dir + "/" + rest;
    return drive_folder + letter + "/" + rest;
  }
  if (!path.empty() && path[0] == '/') return drive_folder + current_drive(drives) + path;
  return path;
}

std::string full_windows_path(std::string_view windows_path, const DriveMap& drives) {
  std::string path(windows_path);
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return path;
  std::string drive = std::string(1, static_cast<char>(current_drive(drives) - 'a' + 'A')) + ":";
  if (!path.empty() && path[0] == '\\') return drive + path;
  if (path.size() >= 2 && path[1] == ':') path.erase(0, 2);
  std::string folder = drives.working_dir;
  const std::string drive_folder = drives.drive_root + "/" + static_cast<char>(current_drive(drives));
  if (folder.compare(0, drive_folder.size(), drive_folder) == 0) {
    folder = drive + folder.substr(drive_folder.size());
  }
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder + path;
}

std::string match_letter_case(const std::string& posix_path) {
  std::string resolved = (!posix_path.empty() && posix_path[0] == '/') ? "/" : "";
  bool matching = true;
  std::size_t start = 0;
  while (start <= posix_path.size()) {
    std::size_t end = posix_path.find('/', start);
    if (end == std::string::npos) end = posix_path.size();
    std::string name = posix_path.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    if (!resolved.empty() && resolved.back() != '/') resolved += '/';
    if (matching && name != "." && name != ".." && !exists(resolved + name)) {
      std::string folder = resolved;
      if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
      std::optional<std::string> found = entry_matching_case(folder, name);
      if (found) {
        name = *found;
      } else {
        matching = false;
      }
    }
    resolved += name;
  }
  if (!posix_path.empty() && posix_path.back() == '/' && !resolved.empty() && resolved.back() != '/') {
    resolved += '/';
  }
  return resolved;
}

}  // namespace quillar
