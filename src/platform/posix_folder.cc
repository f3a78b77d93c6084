#include "platform/posix_folder.h"

#include <fcntl.h>
#include <stdio.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "base/texts.h"
#include "platform/posix_paths.h"
#include "platform/posix_plain_files.h"
#include "platform/stdio_file.h"

namespace quillar {
namespace {

// A name that is no entry name fails as a missing entry would.
bool refuse_name(const std::string& name) {
  if (is_entry_name(name)) return false;
  errno = EINVAL;
  return true;
}

EntryIdentity identity_of(const struct stat& info) {
  return EntryIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

class PosixFolder final : public Folder {
 public:
  explicit PosixFolder(int descriptor) : descriptor_(descriptor) {}
  ~PosixFolder() override { ::close(descriptor_); }

  std::vector<std::string> entries() override {
    std::vector<std::string> names;
    int listing_descriptor = ::openat(descriptor_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing_descriptor < 0) return names;
    // While the listing is kept, this one is kept, so that a walk over the
    // entries lists the folder once.
    const bool keep = keeping_ > 0;
    if (keep) listing_.emplace();
    for_each_entry(listing_descriptor, [&](std::string_view name) {
      if (is_entry_name(name)) {
        names.emplace_back(name);
        if (keep) (*listing_)[upper_case(name)].insert(names.back());
      }
      return true;
    });
    ::close(listing_descriptor);
    return names;
  }

  EntryKind kind(const std::string& name) override {
    if (refuse_name(name)) return EntryKind::kMissing;
    struct stat info;
    int status = ::fstatat(descriptor_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW);
    if (status != 0 && errno == ENOENT) {
      const std::string other = other_case(name);
      if (other.empty()) {
        // Whatever the listing left in errno, nothing has the name.
        errno = ENOENT;
      } else {
        status = ::fstatat(descriptor_, other.c_str(), &info, AT_SYMLINK_NOFOLLOW);
      }
    }
    if (status != 0) return errno == ENOENT || errno == ENOTDIR ? EntryKind::kMissing : EntryKind::kOther;
    if (S_ISREG(info.st_mode)) return info.st_nlink > 1 ? EntryKind::kOther : EntryKind::kFile;
    if (S_ISDIR(info.st_mode)) return EntryKind::kFolder;
    return EntryKind::kOther;
  }

  std::unique_ptr<ReadableFile> open_file(const std::string& name) override {
    if (refuse_name(name)) return nullptr;
    // As existing() has it, but the open itself tells whether the name as
    // given is there, so its status need not be asked for first.
    int descriptor = open_plain_file(descriptor_, name, O_RDONLY);
    if (descriptor < 0 && errno == ENOENT) {
      const std::string other = other_case(name);
      if (!other.empty()) descriptor = open_plain_file(descriptor_, other, O_RDONLY);
    }
    if (descriptor < 0) return nullptr;
    std::FILE* stream = ::fdopen(descriptor, "rb");
    if (stream == nullptr) ::close(descriptor);
    return make_readable(stream);
  }

  std::unique_ptr<WritableFile> write_file(const std::string& name, FileWriting how) override {
    if (refuse_name(name)) return nullptr;
    const bool appending = how == FileWriting::kAppend || how == FileWriting::kAppendText;
    int flags = O_WRONLY | O_CREAT | (appending ? O_APPEND : 0) | (how == FileWriting::kNew ? O_EXCL : 0);
    const std::string entry = how == FileWriting::kNew ? name : existing(name);
    int descriptor = open_plain_file(descriptor_, entry, flags);
    if (descriptor < 0) return nullptr;
    note_listed(entry);
    if (how == FileWriting::kReplace && ::ftruncate(descriptor, 0) != 0) {
      ::close(descriptor);
      return nullptr;
    }
    std::FILE* stream = ::fdopen(descriptor, appending ? "ab" : "wb");
    if (stream == nullptr) {
      ::close(descriptor);
      return nullptr;
    }
    // Each write of an appending file goes out in one piece, so that lines
    // that several programs append to one file at once never mix.
    if (appending) std::setvbuf(stream, nullptr, _IONBF, 0);
    return make_writable(stream);
  }

  bool remove_file(const std::string& name) override {
    if (refuse_name(name) || kind(name) == EntryKind::kFolder) return false;
    const std::string entry = existing(name);
    if (::unlinkat(descriptor_, entry.c_str(), 0) != 0) return false;
    note_unlisted(entry);
    return true;
  }

  std::unique_ptr<Folder> open_folder(const std::string& name) override {
    if (refuse_name(name)) return nullptr;
    int descriptor = ::openat(descriptor_, existing(name).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    return std::make_unique<PosixFolder>(descriptor);
  }

  bool make_private_folder(const std::string& name) override {
    if (refuse_name(name)) return false;
    // Another letter case of the name is the same name on Windows.
    if (existing(name) != name) {
      errno = EEXIST;
      return false;
    }
    if (::mkdirat(descriptor_, name.c_str(), 0700) != 0) return false;
    note_listed(name);
    return true;
  }

  bool remove_folder(const std::string& name) override {
    if (refuse_name(name)) return false;
    const std::string entry = existing(name);
    if (::unlinkat(descriptor_, entry.c_str(), AT_REMOVEDIR) != 0) return false;
    note_unlisted(entry);
    return true;
  }

  bool move(const std::string& name, Folder& target, const std::string& new_name, bool replace) override {
    auto* to = dynamic_cast<PosixFolder*>(&target);
    if (to == nullptr || refuse_name(name) || refuse_name(new_name)) return false;
    const std::string from_name = existing(name);
    if (replace) {
      if (to->kind(new_name) == EntryKind::kFolder) {
        errno = EISDIR;
        return false;
      }
      const std::string to_name = to->existing(new_name);
      if (::renameat(descriptor_, from_name.c_str(), to->descriptor_, to_name.c_str()) != 0) return false;
      note_moved(from_name, *to, to_name);
      return true;
    }
    if (to->existing(new_name) != new_name) {
      errno = EEXIST;
      return false;
    }
    if (::renameat2(descriptor_, from_name.c_str(), to->descriptor_, new_name.c_str(), RENAME_NOREPLACE) != 0) {
      return false;
    }
    note_moved(from_name, *to, new_name);
    return true;
  }

  bool owned_by_this_user() override {
    struct stat info;
    return ::fstat(descriptor_, &info) == 0 && info.st_uid == ::geteuid();
  }

  bool private_to_this_user() override {
    struct stat info;
    return ::fstat(descriptor_, &info) == 0 && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
  }

  std::optional<EntryIdentity> identity() override {
    struct stat info;
    if (::fstat(descriptor_, &info) != 0) return std::nullopt;
    return identity_of(info);
  }

  std::optional<EntryIdentity> entry_identity(const std::string& name) override {
    if (refuse_name(name)) return std::nullopt;
    struct stat info;
    if (::fstatat(descriptor_, existing(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return identity_of(info);
  }

  void keep_listing(bool keep) override {
    keeping_ += keep ? 1 : -1;
    if (keeping_ == 0) listing_.reset();
  }

 private:
  // The entry's name as it stands in the folder: the name as given when an
  // entry has it, else the first entry of the same name in another letter
  // case, as Windows would find it, else the name as given.
  std::string existing(const std::string& name) {
    struct stat info;
    if (::fstatat(descriptor_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT) return name;
    std::string found = other_case(name);
    return found.empty() ? name : found;
  }

  // The first entry in byte order whose name is `name` in another letter
  // case; empty when none is.
  std::string other_case(const std::string& name) {
    if (keeping_ > 0) {
      if (!listing_) entries();
      auto same = listing_->find(upper_case(name));
      if (same == listing_->end()) return std::string();
      for (const std::string& entry : same->second) {
        if (entry != name) return entry;
      }
      return std::string();
    }
    std::string found;
    for (const std::string& entry : entries()) {
      if (entry != name && ::strcasecmp(entry.c_str(), name.c_str()) == 0 && (found.empty() || entry < found)) {
        found = entry;
      }
    }
    return found;
  }

  // The kept listing follows this folder's own changes.
  void note_listed(const std::string& name) {
    if (listing_) (*listing_)[upper_case(name)].insert(name);
  }
  void note_unlisted(const std::string& name) {
    if (!listing_) return;
    auto same = listing_->find(upper_case(name));
    if (same != listing_->end()) same->second.erase(name);
  }
  void note_moved(const std::string& from, PosixFolder& to, const std::string& to_name) {
    note_unlisted(from);
    to.note_listed(to_name);
  }

  int descriptor_;
  // How many keep the listing: a sweep, and each carry within it.
  int keeping_ = 0;
  // The entries by their names in upper case, while kept.
  std::optional<std::map<std::string, std::set<std::string>>> listing_;
};

}  // namespace

std::unique_ptr<Folder> posix_folder(int descriptor) { return std::make_unique<PosixFolder>(descriptor); }

}  // namespace quillar
