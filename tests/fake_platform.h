// An in-memory platform for tests of the sensor's logic.
#ifndef QUILLAR_TESTS_FAKE_PLATFORM_H_
#define QUILLAR_TESTS_FAKE_PLATFORM_H_

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/code_page_1252.h"
#include "platform/platform.h"
#include "platform/platform_wrapper.h"

namespace quillar {

// A library that FakePlatform loads: its load error, or its exports.
struct FakeLibrary {
  unsigned long load_error = 0;
  std::map<std::string, void*> entry_points;
  // What library_file_head gives for it.
  std::string file_head;
  // Where library_file_found finds its file; nothing for a library that is
  // not there.
  std::optional<LibraryFile> found_in;
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
  // Paths of files that do not open, as without the right to read them.
  std::set<std::string> unreadable;
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
  // Opens a file for appending, creating it when missing: what the folders'
  // writers use.
  std::unique_ptr<WritableFile> append_text(const std::string& path);
  bool delete_file(const std::string& path) override;
  // Paths whose replacement fails, as on a file that another program holds
  // open.
  std::set<std::string> unreplaceable;
  bool replace_file(const std::string& from, const std::string& to) override;
  // What a rewrite meets at these paths: another rewrite that holds the
  // file, a second name of it, an owner it cannot give a new file.
  std::set<std::string> busy_files;
  std::set<std::string> linked_files;
  std::set<std::string> foreign_files;
  // Bytes that another program writes into a file while it is rewritten,
  // before the rewrite compares them with what was read.
  std::map<std::string, std::string> edits_during_rewrite;
  // A path of `unreplaceable`, or whose room in `file_rooms` the new bytes
  // exceed, fails here as kFailed.
  Rewrite rewrite_file(const std::string& path, std::string_view read, std::string_view content) override;
  std::string time_of_day() override { return clock; }
  void write_console(std::string_view text) override {
    console.append(text);
    note_console_output(text);
  }
  void write_error_console(std::string_view text) override { error_console.append(text); }
  // How much of each console had been written out at the last flush.
  void flush_console() override {
    console_flushed = console.size();
    error_console_flushed = error_console.size();
  }
  std::size_t console_flushed = 0;
  std::size_t error_console_flushed = 0;
  bool input_is_terminal() override { return terminal; }
  bool read_secret_line(std::string& line) override;
  // Paths as written stand in the working directory C:\work.
  std::string full_path(const std::string& path) override {
    return path.size() > 1 && path[1] == ':' ? path : "C:\\work\\" + path;
  }
  // The POSIX platform's code page, 1252.
  std::optional<std::string> ansi_from_utf8(std::string_view text) override { return code_page_1252_from_utf8(text); }
  std::string failure_reason() override { return "No such file or directory"; }
  bool make_directory(const std::string& path);
  bool remove_directory(const std::string& path);
  // No child ever starts; the jobs offered are recorded.
  std::unique_ptr<ChildProcess> start_program(const std::vector<std::string>&, std::string_view job) override {
    offered_jobs.emplace_back(job);
    return nullptr;
  }
  std::vector<std::string> offered_jobs;
  // What standard input holds, for a run as a child.
  std::optional<std::string> job_on_input;
  std::optional<std::string> job_from_parent() override { return job_on_input; }
  bool end_with_parent(unsigned long) override { return true; }
  unsigned long process_id() override { return own_id; }
  unsigned long own_id = 4242;
  // Changes to files and folders (a write, a removal, a rename, a folder
  // made) that may still be made; none after, as when the process has been
  // killed. Unbounded when unset.
  std::optional<std::size_t> changes_left;
  bool change_allowed() {
    if (!changes_left) return true;
    if (*changes_left == 0) return false;
    --*changes_left;
    return true;
  }
  bool process_alive(unsigned long process_id) override { return alive.count(process_id) != 0; }
  std::uint64_t random_number() override { return next_random++; }
  // The process's environment variables.
  std::map<std::string, std::string> environment;
  std::optional<std::string> environment_variable(const std::string& name) override {
    auto found = environment.find(name);
    if (found == environment.end()) return std::nullopt;
    return found->second;
  }
  bool set_environment_variable(const std::string& name, const std::optional<std::string>& value) override {
    if (value) {
      environment[name] = *value;
    } else {
      environment.erase(name);
    }
    return true;
  }
  std::uint64_t monotonic_ms() override { return clock_ms; }
  void sleep_ms(unsigned milliseconds) override { clock_ms += milliseconds; }
  // Runs the work at once, unless it is to hang: then it never runs, and
  // the wait for it takes its whole time.
  bool run_within(std::function<void()> work, std::uint64_t milliseconds) override {
    if (bounded_work_hangs) {
      clock_ms += milliseconds;
      return false;
    }
    work();
    return true;
  }
  bool bounded_work_hangs = false;
  EntryKind entry_kind(const std::string& path) override;
  // A folder of the paths above: its entries are the paths that begin with
  // its own and a backslash ("" is the working directory).
  std::unique_ptr<Folder> open_folder(const std::string& path) override;
  std::vector<std::string> folder_entries(const std::string& path);
  bool move_entry(const std::string& from, const std::string& to);
  // How many more renames onto these paths fail, as on Windows while
  // another process holds the file there open.
  std::map<std::string, unsigned> refused_moves;
  // Folders that belong to another user.
  std::set<std::string> foreign_folders;
  // Folders of this user that others may use too.
  std::set<std::string> shared_folders;
  // The identity of what stands at a path: folders get theirs when first
  // asked, keep it when moved and lose it when removed; files have none.
  std::optional<EntryIdentity> identity_at(const std::string& path);
  std::map<std::string, std::uint64_t> folder_ids;
  std::uint64_t next_folder_id = 1;
  bool enter_directory(const std::string&) override { return false; }
  void finish_output(int exit_code) override { finished_with.push_back(exit_code); }
  std::uint64_t clock_ms = 0;
  // Paths that are links, junctions, FIFOs or files of more than one link:
  // neither plain file nor folder.
  std::set<std::string> links;
  // Numbers of the processes that run besides this one.
  std::set<unsigned long> alive;
  std::uint64_t next_random = 0x1234;
  std::vector<int> finished_with;
  std::unique_ptr<SharedLibrary> load_library(const std::string& file_name, unsigned long& error_code) override;
  // The folders of the loader's search for DLLs that the library of this
  // file name loads, with all their DLL files; dll_search_folders gives
  // those of the prefix asked for.
  std::map<std::string, std::vector<DllFolder>> dll_folders;
  std::vector<DllFolder> dll_search_folders(const std::string& file_name, const std::string& prefix) override;
  std::optional<LibraryFile> library_file_found(const std::string& file_name) override {
    auto library = libraries.find(file_name);
    return library == libraries.end() ? std::nullopt : library->second.found_in;
  }
  std::string library_file_head(const std::string& file_name) override {
    auto library = libraries.find(file_name);
    return library == libraries.end() ? std::string() : library->second.file_head;
  }
};

// The files and the clock of another platform, with the console captured.
class ConsoleCapture : public PlatformWrapper {
 public:
  explicit ConsoleCapture(Platform& files) : PlatformWrapper(files) {}
  std::string console;
  std::string error_console;

  void write_console(std::string_view text) override {
    console.append(text);
    note_console_output(text);
  }
  void write_error_console(std::string_view text) override { error_console.append(text); }
  bool input_is_terminal() override { return false; }
  bool read_secret_line(std::string& line) override {
    line.clear();
    return false;
  }
};

}  // namespace quillar

#endif  // QUILLAR_TESTS_FAKE_PLATFORM_H_
