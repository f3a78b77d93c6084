// Decorators of a platform (see Platform).
#ifndef QUILLAR_PLATFORM_PLATFORM_WRAPPER_H_
#define QUILLAR_PLATFORM_PLATFORM_WRAPPER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// A platform that hands every call to another one, for decorators that
// change one thing: a subclass overrides only what it changes.
class PlatformWrapper : public Platform {
 public:
  explicit PlatformWrapper(Platform& target) : target_(target) {}
  // A wrapper of a wrapper wraps it: it never copies the other's target.
  PlatformWrapper(const PlatformWrapper&) = delete;
  PlatformWrapper& operator=(const PlatformWrapper&) = delete;
  Platform& target() { return target_; }

  std::unique_ptr<ReadableFile> open_bytes(const std::string& path) override { return target_.open_bytes(path); }
  std::unique_ptr<WritableFile> create_bytes(const std::string& path) override { return target_.create_bytes(path); }
  bool delete_file(const std::string& path) override { return target_.delete_file(path); }
  bool replace_file(const std::string& from, const std::string& to) override { return target_.replace_file(from, to); }
  Rewrite rewrite_file(const std::string& path, std::string_view read, std::string_view content) override {
    return target_.rewrite_file(path, read, content);
  }
  std::string time_of_day() override { return target_.time_of_day(); }
  void write_console(std::string_view text) override { target_.write_console(text); }
  void begin_console_line() override { target_.begin_console_line(); }
  void write_error_console(std::string_view text) override { target_.write_error_console(text); }
  bool input_is_terminal() override { return target_.input_is_terminal(); }
  bool read_secret_line(std::string& line) override { return target_.read_secret_line(line); }
  std::unique_ptr<SharedLibrary> load_library(const std::string& file_name, unsigned long& error_code) override {
    return target_.load_library(file_name, error_code);
  }
  std::optional<LibraryFile> library_file_found(const std::string& file_name) override {
    return target_.library_file_found(file_name);
  }
  std::string library_file_head(const std::string& file_name) override { return target_.library_file_head(file_name); }
  std::vector<DllFolder> dll_search_folders(const std::string& file_name, const std::string& prefix) override {
    return target_.dll_search_folders(file_name, prefix);
  }
  std::string full_path(const std::string& path) override { return target_.full_path(path); }
  std::optional<std::string> ansi_from_utf8(std::string_view text) override { return target_.ansi_from_utf8(text); }
  std::string failure_reason() override { return target_.failure_reason(); }
  std::unique_ptr<ChildProcess> start_program(const std::vector<std::string>& arguments,
                                              std::string_view job) override {
    return target_.start_program(arguments, job);
  }
  std::optional<std::string> job_from_parent() override { return target_.job_from_parent(); }
  bool end_with_parent(unsigned long parent_id) override { return target_.end_with_parent(parent_id); }
  unsigned long process_id() override { return target_.process_id(); }
  bool process_alive(unsigned long process_id) override { return target_.process_alive(process_id); }
  std::uint64_t random_number() override { return target_.random_number(); }
  std::optional<std::string> environment_variable(const std::string& name) override {
    return target_.environment_variable(name);
  }
  bool set_environment_variable(const std::string& name, const std::optional<std::string>& value) override {
    return target_.set_environment_variable(name, value);
  }
  std::uint64_t monotonic_ms() override { return target_.monotonic_ms(); }
  void sleep_ms(unsigned milliseconds) override { target_.sleep_ms(milliseconds); }
  bool run_within(std::function<void()> work, std::uint64_t milliseconds) override {
    return target_.run_within(std::move(work), milliseconds);
  }
  EntryKind entry_kind(const std::string& path) override { return target_.entry_kind(path); }
  std::unique_ptr<Folder> open_folder(const std::string& path) override { return target_.open_folder(path); }
  bool enter_directory(const std::string& path) override { return target_.enter_directory(path); }
  void keep_folder_listings(bool keep) override { target_.keep_folder_listings(keep); }
  void finish_output(int exit_code) override { target_.finish_output(exit_code); }
  void flush_console() override { target_.flush_console(); }

 private:
  Platform& target_;
};

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_PLATFORM_WRAPPER_H_
