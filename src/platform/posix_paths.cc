#include "platform/posix_paths.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <utility>

namespace quillar {
namespace {

bool is_drive_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char lower_letter(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool exists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

// Among the entries of a folder, the one that a name stands for: the name as
// given when an entry has it, as when it is found to exist as written, else
// the first in byte order of those that differ from it in letter case only.
class EntryChoice {
 public:
  explicit EntryChoice(std::string_view name) : name_(name) {}

  // False once an entry has the name as given, which no other beats.
  bool consider(std::string_view entry) {
    if (entry == name_) {
      exact_ = true;
      return false;
    }
    if (entry.size() == name_.size() && ::strncasecmp(entry.data(), name_.data(), entry.size()) == 0 &&
        (!other_ || entry < *other_)) {
      other_ = std::string(entry);
    }
    return true;
  }
  bool exact() const { return exact_; }
  const std::optional<std::string>& other() const { return other_; }

 private:
  std::string_view name_;
  bool exact_ = false;
  std::optional<std::string> other_;
};

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
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  std::string path;
  path.reserve(drives.working_dir.size() + windows_path.size() + 4);
  std::string_view rest = windows_path;
  if (windows_path.size() >= 2 && windows_path[1] == ':' && is_drive_letter(windows_path[0])) {
    const char letter = lower_letter(windows_path[0]);
    rest.remove_prefix(2);
    if (!rest.empty() && separator(rest[0])) {
      path.append(drives.drive_root).append(1, '/').append(1, letter);
    } else if (letter == current_drive(drives)) {
      // A drive-relative path: relative to the working directory on its own
      // drive, and to the drive's root on any other.
      path.append(drives.working_dir).append(1, '/');
    } else {
      path.append(drives.drive_root).append(1, '/').append(1, letter).append(1, '/');
    }
  } else if (!rest.empty() && separator(rest[0])) {
    path.append(drives.drive_root).append(1, '/').append(1, current_drive(drives));
  }
  const std::size_t from = path.size();
  path.append(rest);
  for (std::size_t k = from; k < path.size(); ++k) {
    if (path[k] == '\\') path[k] = '/';
  }
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
  return LetterCaseMatcher().match(posix_path, 0, false);
}

void LetterCaseMatcher::keep_what_is_seen(bool keep) {
  keeping_ = keep;
  listings_.clear();
  existing_.clear();
}

std::string LetterCaseMatcher::match(const std::string& posix_path, std::size_t known, bool missing_as_written) {
  std::string resolved;
  resolved.reserve(posix_path.size() + 8);
  resolved.assign(posix_path, 0, known);
  if (resolved.empty() && !posix_path.empty() && posix_path[0] == '/') resolved = "/";
  bool matching = true;
  // Whether every component so far stands as written, so that the path as
  // written and the path matched so far are one.
  bool as_written = true;
  std::size_t start = known;
  while (start <= posix_path.size()) {
    std::size_t end = posix_path.find('/', start);
    if (end == std::string::npos) end = posix_path.size();
    const std::string_view name = std::string_view(posix_path).substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    if (!resolved.empty() && resolved.back() != '/') resolved += '/';
    const std::size_t name_at = resolved.size();
    resolved += name;
    if (!matching || name == "." || name == "..") continue;
    const bool last = posix_path.find_first_not_of('/', end) == std::string::npos;
    std::string other;
    switch (look_up(resolved, name_at, missing_as_written && as_written && last, other)) {
      case Found::kAsWritten:
        break;
      case Found::kOtherCase:
        resolved.replace(name_at, std::string::npos, other);
        as_written = false;
        break;
      case Found::kNone:
        matching = false;
        break;
    }
  }
  if (!posix_path.empty() && posix_path.back() == '/' && !resolved.empty() && resolved.back() != '/') {
    resolved += '/';
  }
  return resolved;
}

LetterCaseMatcher::Found LetterCaseMatcher::look_up(const std::string& path, std::size_t name_at,
                                                    bool missing_as_written, std::string& other) {
  std::string_view folder = std::string_view(path).substr(0, name_at);
  if (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  if (folder.empty()) folder = ".";
  EntryChoice choice(std::string_view(path).substr(name_at));
  const Listing* kept = nullptr;
  if (keeping_) {
    for (const Listing& listing : listings_) {
      if (listing.folder == folder) kept = &listing;
    }
    if (kept == nullptr) {
      for (const std::string& existing : existing_) {
        if (existing == path) return Found::kAsWritten;
      }
    }
  }
  if (kept == nullptr && !missing_as_written && exists(path)) {
    if (keeping_) existing_.push_back(path);
    return Found::kAsWritten;
  }
  if (kept == nullptr) {
    ++listings_made_;
    Listing listing{std::string(folder), {}};
    const int entries = ::open(listing.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (entries >= 0) {
      for_each_entry(entries, [&](std::string_view entry) {
        if (keeping_) listing.names.emplace_back(entry);
        return choice.consider(entry) || keeping_;
      });
      ::close(entries);
    }
    if (keeping_) listings_.push_back(std::move(listing));
  } else {
    for (const std::string& name : kept->names) {
      if (!choice.consider(name)) break;
    }
  }
  if (choice.exact()) return Found::kAsWritten;
  if (!choice.other()) return Found::kNone;
  other = *choice.other();
  return Found::kOtherCase;
}

}  // namespace quillar
