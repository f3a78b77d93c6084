#include "platform/posix_plain_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>

namespace quillar {
namespace {

// Keeps a descriptor opened with `flags` (O_NONBLOCK among them) only when
// it is a plain file, with `sole_name` one that no other name reaches (a
// hard link's other names may lie outside the folder), and lets its reads
// wait again; closes it and gives -1 otherwise.
int keep_plain_file(int descriptor, int flags, bool sole_name) {
  struct stat info{};
  if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || (sole_name && info.st_nlink > 1)) {
    ::close(descriptor);
    errno = S_ISDIR(info.st_mode) ? EISDIR : EPERM;
    return -1;
  }
  // The status flags are the ones it was opened with, so they need not be
  // asked for.
  ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
  return descriptor;
}

// A file opened by path, read straight from its descriptor: each read is a
// system call. Its readers (text files, read_rest, the line reader) read
// blocks of their own, which a stream's buffer would only copy once more,
// after asking the system for the descriptor's flags and status to set
// itself up.
class DescriptorReadable final : public ReadableFile {
 public:
  explicit DescriptorReadable(int descriptor) : descriptor_(descriptor) {}
  ~DescriptorReadable() override { ::close(descriptor_); }
  DescriptorReadable(const DescriptorReadable&) = delete;
  DescriptorReadable& operator=(const DescriptorReadable&) = delete;

  std::size_t read(char* buffer, std::size_t capacity) override {
    ssize_t n = 0;
    while ((n = ::read(descriptor_, buffer, capacity)) < 0 && errno == EINTR) {
    }
    return n < 0 ? 0 : static_cast<std::size_t>(n);
  }
  std::optional<std::uint64_t> size() override {
    struct stat info;
    if (::fstat(descriptor_, &info) != 0 || info.st_size < 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
  }
  bool seek(std::uint64_t offset) override {
    if (offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
    return ::lseek(descriptor_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
  }

 private:
  int descriptor_;
};

}  // namespace

int open_plain_file(int folder, const std::string& name, int flags) {
  flags |= O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int descriptor = ::openat(folder, name.c_str(), flags, 0666);
  if (descriptor < 0) {
    // A link at the name.
    if (errno == ELOOP) errno = EPERM;
    return -1;
  }
  return keep_plain_file(descriptor, flags, true);
}

int open_readable(const std::string& path) {
  const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int descriptor = ::open(path.c_str(), flags);
  return descriptor < 0 ? -1 : keep_plain_file(descriptor, flags, false);
}

std::unique_ptr<ReadableFile> readable_descriptor(int descriptor) {
  return std::make_unique<DescriptorReadable>(descriptor);
}

}  // namespace quillar
