#include "platform/stdio_file.h"

#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <optional>

namespace quillar {
namespace {

struct StreamCloser {
  void operator()(std::FILE* stream) const { std::fclose(stream); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

class StdioReadable final : public ReadableFile {
 public:
  explicit StdioReadable(std::FILE* stream) : stream_(stream) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    return std::fread(buffer, 1, capacity, stream_.get());
  }
  std::optional<std::uint64_t> size() override {
#ifdef _WIN32
    struct _stat64 info;
    if (_fstat64(_fileno(stream_.get()), &info) != 0 || info.st_size < 0) return std::nullopt;
#else
    struct stat info;
    if (::fstat(::fileno(stream_.get()), &info) != 0 || info.st_size < 0) return std::nullopt;
#endif
    return static_cast<std::uint64_t>(info.st_size);
  }
  bool seek(std::uint64_t offset) override {
    if (offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
#ifdef _WIN32
    return _fseeki64(stream_.get(), static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return ::fseeko(stream_.get(), static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
  }

 private:
  Stream stream_;
};

class StdioWritable final : public WritableFile {
 public:
  explicit StdioWritable(std::FILE* stream) : stream_(stream) {}
  bool write(std::string_view bytes) override {
    if (!stream_) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), stream_.get()) == bytes.size();
    failed_ = failed_ || !written;
    return written;
  }
  bool flush() override { return stream_ && std::fflush(stream_.get()) == 0; }
  bool close() override {
    if (!stream_) return !failed_;
    bool closed = std::fclose(stream_.release()) == 0;
    return closed && !failed_;
  }

 private:
  Stream stream_;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<ReadableFile> make_readable(std::FILE* stream) {
  if (stream == nullptr) return nullptr;
  return std::make_unique<StdioReadable>(stream);
}

std::unique_ptr<WritableFile> make_writable(std::FILE* stream) {
  if (stream == nullptr) return nullptr;
  return std::make_unique<StdioWritable>(stream);
}

bool read_stream_line(std::FILE* stream, std::string& line) {
  line.clear();
  int c = std::fgetc(stream);
  if (c == EOF) return false;
  while (c != EOF && c != '\n') {
    line += static_cast<char>(c);
    c = std::fgetc(stream);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

std::string local_time_of_day() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
#ifdef _WIN32
  localtime_s(&parts, &now);
#else
  localtime_r(&now, &parts);
#endif
  char text[16];
  std::size_t length = std::strftime(text, sizeof text, "%H:%M:%S", &parts);
  return std::string(text, length);
}

}  // namespace quillar
