#include "platform/posix_rewrite.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace quillar {
namespace {

// How long a rewrite waits for another one to let the file go: long enough
// for a rewrite to end, short enough that nobody waits on a stuck one.
constexpr int kLockTries = 40;
constexpr long kLockPauseNs = 50L * 1000 * 1000;

class Descriptor {
 public:
  explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  int get() const { return descriptor_; }
  explicit operator bool() const { return descriptor_ >= 0; }

 private:
  int descriptor_;
};

// The lock that every rewrite takes on the file it replaces. It stays with
// the old file, so a rewrite that got it late finds another file at the
// name and stops (see still_named).
bool lock_within_a_short_wait(int descriptor) {
  for (int tries = 0;; ++tries) {
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (tries == kLockTries) return false;
    timespec pause{0, kLockPauseNs};
    ::nanosleep(&pause, nullptr);
  }
}

bool read_from_start(int descriptor, std::string& bytes) {
  bytes.clear();
  char buffer[4096];
  for (off_t at = 0;;) {
    const ssize_t got = ::pread(descriptor, buffer, sizeof buffer, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    bytes.append(buffer, static_cast<std::size_t>(got));
    at += got;
  }
}

bool write_all(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(descriptor, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

// Whether `path` still names the held file, which has no other name and
// holds `read`.
Rewrite compare_with_read(const std::string& path, int held, std::string_view read) {
  struct stat opened;
  struct stat named;
  std::string bytes;
  if (::fstat(held, &opened) != 0 || !read_from_start(held, bytes)) return Rewrite::kFailed;
  if (opened.st_nlink > 1) return Rewrite::kLinked;
  const bool still_named = ::lstat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
                           named.st_ino == opened.st_ino;
  return still_named && bytes == read ? Rewrite::kDone : Rewrite::kChanged;
}

// Gives the new file the owner, group and mode of the old one. The owner
// goes first: a change of owner may clear the set-id bits of the mode.
Rewrite guard_as(int fresh, const struct stat& old) {
  struct stat made;
  if (::fstat(fresh, &made) != 0) return Rewrite::kFailed;
  if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) && ::fchown(fresh, old.st_uid, old.st_gid) != 0) {
    return errno == EPERM || errno == EACCES ? Rewrite::kOwnerNotKept : Rewrite::kFailed;
  }
  return ::fchmod(fresh, old.st_mode & 07777) == 0 ? Rewrite::kDone : Rewrite::kFailed;
}

Rewrite write_and_move(const std::string& path, int held, const std::string& temporary, int fresh,
                       std::string_view read, std::string_view content) {
  struct stat old;
  if (::fstat(held, &old) != 0) return Rewrite::kFailed;
  if (!write_all(fresh, content)) return Rewrite::kFailed;
  if (Rewrite guarded = guard_as(fresh, old); guarded != Rewrite::kDone) return guarded;
  if (::fsync(fresh) != 0) return Rewrite::kFailed;
  if (Rewrite compared = compare_with_read(path, held, read); compared != Rewrite::kDone) return compared;
  return ::rename(temporary.c_str(), path.c_str()) == 0 ? Rewrite::kDone : Rewrite::kFailed;
}

}  // namespace

Rewrite rewrite_posix_file(const std::string& path, std::string_view read, std::string_view content,
                           std::uint64_t random) {
  // Opened without following a link, and without waiting on a FIFO.
  Descriptor held(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!held) return Rewrite::kFailed;
  struct stat opened;
  if (::fstat(held.get(), &opened) != 0) return Rewrite::kFailed;
  if (!S_ISREG(opened.st_mode)) {
    errno = EINVAL;
    return Rewrite::kFailed;
  }
  if (!lock_within_a_short_wait(held.get())) return errno == EWOULDBLOCK ? Rewrite::kBusy : Rewrite::kFailed;
  // Checked once before anything is written, and again before the rename.
  if (Rewrite compared = compare_with_read(path, held.get(), read); compared != Rewrite::kDone) return compared;

  const std::string temporary = path + "." + std::to_string(random) + ".tmp";
  Rewrite outcome = Rewrite::kFailed;
  {
    Descriptor fresh(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fresh) return Rewrite::kFailed;
    outcome = write_and_move(path, held.get(), temporary, fresh.get(), read, content);
  }
  if (outcome != Rewrite::kDone) {
    const int reason = errno;
    ::unlink(temporary.c_str());
    errno = reason;
  }
  return outcome;
}

}  // namespace quillar
