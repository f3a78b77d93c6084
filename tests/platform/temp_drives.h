// A drive root in a fresh temporary folder, with the working directory moved
// into drive c for the duration of a test.
#ifndef QUILLAR_TESTS_PLATFORM_TEMP_DRIVES_H_
#define QUILLAR_TESTS_PLATFORM_TEMP_DRIVES_H_

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace quillar {

class TempDrives {
 public:
  explicit TempDrives(const std::string& working_dir = "c/work") {
    char pattern[] = "/tmp/quillar-drives-XXXXXX";
    root_ = ::mkdtemp(pattern);
    previous_dir_ = std::filesystem::current_path();
    std::filesystem::create_directories(root_ / working_dir);
    std::filesystem::current_path(root_ / working_dir);
    ::setenv("QUILLAR_DRIVE_ROOT", root_.c_str(), 1);
  }
  ~TempDrives() {
    ::unsetenv("QUILLAR_DRIVE_ROOT");
    std::filesystem::current_path(previous_dir_);
    std::filesystem::remove_all(root_);
  }
  TempDrives(const TempDrives&) = delete;
  TempDrives& operator=(const TempDrives&) = delete;

  const std::filesystem::path& root() const { return root_; }

  // Writes a file at a path relative to the drive root, with its folders.
  void write(const std::string& relative, const std::string& content) const {
    std::filesystem::path path = root_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }
  std::string read(const std::string& relative) const {
    std::ifstream in(root_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path root_;
  std::filesystem::path previous_dir_;
};

}  // namespace quillar

#endif  // QUILLAR_TESTS_PLATFORM_TEMP_DRIVES_H_
