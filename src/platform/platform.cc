#include "platform/platform.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillar {
namespace {

// Turns every CR LF pair of the underlying bytes into one LF. A CR whose LF
// might be the first byte of the next block is held back until that block has
// been read, so a pair that straddles two reads is still seen as one.
class TextFile final : public ReadableFile {
 public:
  explicit TextFile(std::unique_ptr<ReadableFile> bytes) : bytes_(std::move(bytes)) {}

  // The file's own size, line ends counted as they are stored.
  std::optional<std::uint64_t> size() override { return bytes_->size(); }

  std::size_t read(char* buffer, std::size_t capacity) override {
    std::size_t produced = 0;
    while (produced < capacity) {
      if (next_ == end_ && !refill()) break;
      char c = block_[next_++];
      if (c == '\r') {
        if (next_ == end_ && !refill()) {
          buffer[produced++] = c;
          break;
        }
        if (block_[next_] == '\n') continue;
      }
      buffer[produced++] = c;
    }
    return produced;
  }

 private:
  bool refill() {
    if (at_end_) return false;
    next_ = 0;
    end_ = bytes_->read(block_, sizeof block_);
    if (end_ == 0) at_end_ = true;
    return end_ != 0;
  }

  std::unique_ptr<ReadableFile> bytes_;
  char block_[4096];
  std::size_t next_ = 0;
  std::size_t end_ = 0;
  bool at_end_ = false;
};

// Bytes held in memory.
class MemoryFile final : public ReadableFile {
 public:
  explicit MemoryFile(std::string content) : content_(std::move(content)) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    const std::size_t n = std::min(capacity, content_.size() - at_);
    std::memcpy(buffer, content_.data() + at_, n);
    at_ += n;
    return n;
  }
  std::optional<std::uint64_t> size() override { return content_.size(); }

 private:
  std::string content_;
  std::size_t at_ = 0;
};

}  // namespace

std::unique_ptr<ReadableFile> file_in_memory(std::string content) {
  return std::make_unique<MemoryFile>(std::move(content));
}

std::string read_rest(ReadableFile& file, std::size_t room) {
  std::string content;
  char block[4096];
  while (content.size() < room) {
    const std::size_t n = file.read(block, std::min(sizeof block, room - content.size()));
    if (n == 0) break;
    content.append(block, n);
  }
  return content;
}

std::uint64_t file_end(Folder& folder, const std::string& name, bool& inside_line) {
  inside_line = false;
  std::unique_ptr<ReadableFile> file = folder.open_file(name);
  const std::uint64_t size = file ? file->size().value_or(0) : 0;
  char last = '\n';
  if (size > 0 && file->seek(size - 1) && file->read(&last, 1) == 1) inside_line = last != '\n';
  return size;
}

std::optional<std::string> plain_file_content(Folder& folder, const std::string& name, std::size_t room) {
  std::unique_ptr<ReadableFile> file = folder.open_file(name);
  if (!file) return std::nullopt;
  return read_rest(*file, room);
}

bool is_entry_name(std::string_view name) {
  return !name.empty() && name != "." && name.find("..") == std::string_view::npos &&
         name.find_first_of("\\/:") == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::unique_ptr<ReadableFile> as_text(std::unique_ptr<ReadableFile> bytes) {
  if (!bytes) return nullptr;
  return std::make_unique<TextFile>(std::move(bytes));
}

void Platform::begin_console_line() {
  if (console_line_open_) write_console("\n");
}

std::unique_ptr<ReadableFile> Platform::open_text(const std::string& path) { return as_text(open_bytes(path)); }

}  // namespace quillar
