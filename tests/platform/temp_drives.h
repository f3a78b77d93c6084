// A drive root in a fresh temporary folder, with the working directory moved
// into drive c for the duration of a test. Whatever the test changes of the
// process (working directory, QUILLAR_DRIVE_ROOT, the files) is as before
// once it ends, so that no test depends on the ones before it.
#ifndef QUILLAR_TESTS_PLATFORM_TEMP_DRIVES_H_
#define QUILLAR_TESTS_PLATFORM_TEMP_DRIVES_H_

#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

namespace quillar {

// The folder that holds every temporary folder of this test program. It is
// made before the tests start and removed, by the process that made it, when
// the program ends: a death test's child ends without its destructors, and
// the folders it made go with this one.
class TestScratchRoot {
 public:
  TestScratchRoot() : owner_(::getpid()), path_(make_temporary_folder("/tmp/quillar-tests-XXXXXX")) {}
  ~TestScratchRoot() {
    if (::getpid() != owner_) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TestScratchRoot(const TestScratchRoot&) = delete;
  TestScratchRoot& operator=(const TestScratchRoot&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // A new folder from `pattern`, whose last six characters are XXXXXX. A
  // test without its folder cannot run at all.
  static std::filesystem::path make_temporary_folder(std::string pattern) {
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror(pattern.c_str());
      std::abort();
    }
    return pattern;
  }

 private:
  pid_t owner_;
  std::filesystem::path path_;
};

inline const TestScratchRoot test_scratch_root;

// A fresh folder below the scratch root, removed with its content at the end.
class TempFolder {
 public:
  TempFolder()
      : path_(TestScratchRoot::make_temporary_folder((test_scratch_root.path() / "drives-XXXXXX").string())) {}
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The working directory moved to `folder`, and back at the end.
class ScopedWorkingDirectory {
 public:
  explicit ScopedWorkingDirectory(const std::filesystem::path& folder)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~ScopedWorkingDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
  }
  ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
  ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

// An environment variable set (or, for no value, taken away), and at the
// end given back the value it had, or taken away again when it had none.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* previous = std::getenv(name)) previous_ = previous;
    put(value);
  }
  ~ScopedEnvironmentVariable() { put(previous_); }
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  void put(const std::optional<std::string>& value) const {
    if (value) {
      ::setenv(name_, value->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

  const char* name_;
  std::optional<std::string> previous_;
};

class TempDrives {
 public:
  explicit TempDrives(const std::string& working_dir = "c/work")
      : working_dir_(made(folder_.path() / working_dir)), drive_root_("QUILLAR_DRIVE_ROOT", folder_.path().string()) {}

  const std::filesystem::path& root() const { return folder_.path(); }

  // Writes a file at a path relative to the drive root, with its folders.
  void write(const std::string& relative, const std::string& content) const {
    std::filesystem::path path = root() / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }
  std::string read(const std::string& relative) const {
    std::ifstream in(root() / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  static std::filesystem::path made(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    return folder;
  }

  // Undone in the opposite order: the variable, the working directory, and
  // then the folder.
  TempFolder folder_;
  ScopedWorkingDirectory working_dir_;
  ScopedEnvironmentVariable drive_root_;
};

}  // namespace quillar

#endif  // QUILLAR_TESTS_PLATFORM_TEMP_DRIVES_H_
