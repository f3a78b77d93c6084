// An in-memory platform for tests of the sensor's logic.
#ifndef QUILLAR_TESTS_FAKE_PLATFORM_H_
#define QUILLAR_TESTS_FAKE_PLATFORM_H_

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// A library that FakePlatform loads: its load error, or its exports.
struct FakeLibrary {
  unsigned long load_error = 0;
  std::map<std::string, void*> entry_points;
  // What library_file_head gives for it.
  std::string file_head;
};

class FakePlatform : public Platform {
 public:
  // Libraries by file name; loading any other fails as not found. Every
  // name asked for is recorded.
  std::map<std::string, FakeLibrary> libraries;
  std::vector<std::string> loads;
  // Files by the exact path the program names them with.
  std::map<std::string, std::string> files;
  // Paths that are folders: opening them as files fails.
  std::set<std::string> folders;
  std::string console;
  std::string error_console;
  // Standard input, and whether it stands for a terminal.
  std::string input;
  bool terminal = false;
  std::string clock = "12:34:56";
  // Read calls deliver at most this many bytes, to exercise block boundaries.
  std::size_t read_chunk = 4096;
  // A file written here holds at most this many bytes, as on a full disk:
  // writes beyond fail, and so does closing the file.
  std::map<std::string, std::size_t> file_rooms;

  std::unique_ptr<ReadableFile> open_bytes(const std::string& path) override;
  std::unique_ptr<WritableFile> create_bytes(const std::string& path) override;
  std::unique_ptr<WritableFile> append_text(const std::string& path) override;
  bool delete_file(const std::string& path) override;
  std::string time_of_day() override { return clock; }
  void write_console(std::string_view text) override {
    console.append(text);
    note_console_output(text);
  }
  void write_error_console(std::string_view text) override { error_console.append(text); }
  bool input_is_terminal() override { return terminal; }
  bool read_secret_line(std::string& line) override;
  // Paths as written stand in the working directory C:\work.
  std::string full_path(const std::string& path) override {
    return path.size() > 1 && path[1] == ':' ? path : "C:\\work\\" + path;
  }
  std::string failure_reason() override { return "No such file or directory"; }
  std::unique_ptr<WritableFile> append_bytes(const std::string& path) override { return append_text(path); }
  bool make_directory(const std::string& path) override { return folders.insert(path).second; }
  bool remove_directory(const std::string& path) override { return folders.erase(path) != 0; }
  std::unique_ptr<ChildProcess> start_program(const std::vector<std::string>&, const std::string&) override {
    return nullptr;
  }
  void end_with_parent() override {}
  unsigned long process_id() override { return 4242; }
  std::uint64_t monotonic_ms() override { return clock_ms; }
  void sleep_ms(unsigned milliseconds) override { clock_ms += milliseconds; }
  std::uint64_t clock_ms = 0;
  std::unique_ptr<SharedLibrary> load_library(const std::string& file_name, unsigned long& error_code) override;
  std::string library_file_head(const std::string& file_name) override {
    auto library = libraries.find(file_name);
    return library == libraries.end() ? std::string() : library->second.file_head;
  }
};

// The files and the clock of another platform, with the console captured.
class ConsoleCapture : public Platform {
 public:
  explicit ConsoleCapture(Platform& files) : files_(files) {}
  std::string console;
  std::string error_console;

  std::unique_ptr<ReadableFile> open_bytes(const std::string& path) override { return files_.open_bytes(path); }
  std::unique_ptr<WritableFile> create_bytes(const std::string& path) override {
    return files_.create_bytes(path);
  }
  std::unique_ptr<WritableFile> append_text(const std::string& path) override {
    return files_.append_text(path);
  }
  bool delete_file(const std::string& path) override { return files_.delete_file(path); }
  std::string time_of_day() override { return files_.time_of_day(); }
  void write_console(std::string_view text) override {
    console.append(text);
    note_console_output(text);
  }
  void write_error_console(std::string_view text) override { error_console.append(text); }
  bool input_is_terminal() override { return false; }
  std::string full_path(const std::string& path) override { return files_.full_path(path); }
  std::string failure_reason() override { return files_.failure_reason(); }
  std::unique_ptr<WritableFile> append_bytes(const std::string& path) override { return files_.append_bytes(path); }
  bool make_directory(const std::string& path) override { return files_.make_directory(path); }
  bool remove_directory(const std::string& path) override { return files_.remove_directory(path); }
  std::unique_ptr<ChildProcess> start_program(const std::vector<std::string>& arguments,
                                              const std::string& working_dir) override {
    return files_.start_program(arguments, working_dir);
  }
  void end_with_parent() override { files_.end_with_parent(); }
  unsigned long process_id() override { return files_.process_id(); }
  std::uint64_t monotonic_ms() override { return files_.monotonic_ms(); }
  void sleep_ms(unsigned milliseconds) override { files_.sleep_ms(milliseconds); }
  std::unique_ptr<SharedLibrary> load_library(const std::string& file_name, unsigned long& error_code) override {
    return files_.load_library(file_name, error_code);
  }
  std::string library_file_head(const std::string& file_name) override { return files_.library_file_head(file_name); }
  bool read_secret_line(std::string& line) override {
    line.clear();
    return false;
  }

 private:
  Platform& files_;
};

}  // namespace quillar

#endif  // QUILLAR_TESTS_FAKE_PLATFORM_H_
