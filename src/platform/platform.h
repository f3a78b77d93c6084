// The operating system as the sensor sees it: files, the clock and the console.
//
// Everything that differs between Windows and the POSIX development build lives
// behind this interface. Paths are always Windows paths ("C:\PRTG_Path.Txt",
// "\Program Files\...", "PRD.P00"); the POSIX build maps them onto folders of a
// drive root (see posix_paths.h). Tests inject their own implementation.
#ifndef QUILLAR_PLATFORM_PLATFORM_H_
#define QUILLAR_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/libraries.h"

namespace quillar {

// Another run of this same program, started by start_program, in a process
// group (POSIX) or job (Windows) of its own.
class ChildProcess {
 public:
  // Ends the child and everything it started, if it still runs, without
  // waiting for it.
  virtual ~ChildProcess() = default;
  // Whether the child has ended. Once it has, it is never signalled again.
  virtual bool has_ended() = 0;
  // Ends the child and everything it started, without waiting: a child in
  // the middle of a system call that cannot be broken off (I/O on a hung
  // disk or share) ends only when that returns. has_ended tells when it has.
  virtual void kill() = 0;
  // How the child ended, once it has: "exit status N" (a Windows status of
  // 0x10000 and above in hexadecimal, "exit status 0xC0000005"), or
  // "signal N" for a POSIX child that a signal ended. Empty before.
  virtual std::string how_it_ended() = 0;
};

// How rewrite_file ended. Each outcome but kDone leaves the file as it was
// and no temporary file beside it.
enum class Rewrite {
  kDone,
  // Another rewrite held the file, and did not let it go within a short wait.
  kBusy,
  // The file has more than one name (hard links): a new file would take one
  // of them alone, and the others would keep the old bytes.
  kLinked,
  // The bytes at the path are no longer those that were read, or another
  // file now has the name.
  kChanged,
  // The new file could not be given the old one's owner (POSIX: its owner
  // and group; Windows: its owner), as for a file of another account.
  kOwnerNotKept,
  // Anything else; failure_reason tells why.
  kFailed,
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Opens a file for reading without any translation. Gives null when the file
  // does not exist, cannot be read, or is a folder.
  virtual std::unique_ptr<ReadableFile> open_bytes(const std::string& path) = 0;

  // Creates or truncates a file for writing without any translation.
  virtual std::unique_ptr<WritableFile> create_bytes(const std::string& path) = 0;

  // Renames the file `from` to `to` in one step, replacing `to` when it
  // exists: a reader sees either the old file or the new one, never a part.
  // Both must lie in the same folder. False when that failed.
  virtual bool replace_file(const std::string& from, const std::string& to) = 0;

  // Replaces the plain file at `path`, whose bytes were read as `read`, with
  // `content` in one step: a reader sees either the old file or the new
  // one. The new file keeps what guards the old one: its mode, owner and
  // group on POSIX, its access control list (inherited or protected) and
  // owner on Windows. One rewrite of a file runs at a time, and the bytes
  // and the identity of the file are compared with what was read once the
  // new file is ready, just before it takes the name. A link at the path is
  // never followed (kFailed).
  virtual Rewrite rewrite_file(const std::string& path, std::string_view read, std::string_view content) = 0;

  // Deletes a file. A missing file is no failure worth reporting to callers,
  // which is why the result only tells whether a file was removed.
  virtual bool delete_file(const std::string& path) = 0;

  // The local time of day as "hh:mm:ss" on the 24-hour clock.
  virtual std::string time_of_day() = 0;

  // Writes to standard output exactly these bytes (in the console's own line-end
  // mode on Windows). Each implementation tells note_console_output what it
  // wrote.
  virtual void write_console(std::string_view text) = 0;

  // Makes the next console output begin a line: writes a line feed first when
  // the output so far ends inside a line.
  virtual void begin_console_line();

  // Writes to standard error exactly these bytes, after what standard output
  // holds so far, so that both read in order where they meet.
  virtual void write_error_console(std::string_view text) = 0;

  // Whether standard input is a terminal, where a person types.
  virtual bool input_is_terminal() = 0;

  // Reads one line from standard input, without its line end. On a terminal
  // the typed characters are not shown, and the line of the prompt before
  // them is ended afterwards, whatever was read. False when the input has
  // ended before any character.
  virtual bool read_secret_line(std::string& line) = 0;

  // Loads a library by file name: first from the folder of the running
  // program, then by the system's search (the system folder, PATH), never
  // from the working directory, which users other than the administrator may
  // be able to write to. Null on failure, with the system's error code in
  // `error_code` (see kLoad...). Builds that link their libraries load none.
  virtual std::unique_ptr<SharedLibrary> load_library(const std::string& file_name,
                                                      unsigned long& error_code) = 0;

  // Where the file lies that load_library takes under this name, whether
  // it loads or not: the first folder of its search that holds a file of
  // that name (the program's folder, the system folder, the Windows folder,
  // the folders of PATH that are full paths; never the working directory).
  // Nothing when none holds one, and in builds that link their libraries.
  virtual std::optional<LibraryFile> library_file_found(const std::string& file_name) = 0;

  // The first bytes (a page at most) of that file (library_file_found),
  // read as data whatever machine it was built for: enough for the headers
  // of a DLL. Empty when none is found or the system cannot read it as a
  // library file at all.
  virtual std::string library_file_head(const std::string& file_name) = 0;

  // The folders in which the system's loader looks, in its order, for a DLL
  // that the library loaded under `file_name` loads later by plain name:
  // first the folder that library was loaded from, then those of the
  // system's search (the program's folder, the system folder, the Windows
  // folder, the folders of PATH that are full paths), each once; never the
  // working directory. Each comes with the names of its files that begin
  // with `prefix` and end in ".dll", both in any letter case. Empty when no
  // library of that name is loaded, and in builds that link their libraries.
  virtual std::vector<DllFolder> dll_search_folders(const std::string& file_name, const std::string& prefix) = 0;

  // The full Windows path of a path as written ("PRD.P00" in the working
  // directory C:\PRTG gives "C:\PRTG\PRD.P00"), for messages.
  virtual std::string full_path(const std::string& path) = 0;

  // `text`, UTF-8, in the code page of names: the ANSI code page on Windows
  // (UTF-8 itself where that is the system's code page), code page 1252 on
  // POSIX, the reference of the sensor's texts. Nothing when `text` is no
  // valid UTF-8, or holds a character that the code page lacks: no likeness
  // (a "best fit") and no default character stands in for one, for a name
  // so converted would name another file.
  virtual std::optional<std::string> ansi_from_utf8(std::string_view text) = 0;

  // The system's words for why the last file operation failed ("No such
  // file or directory").
  virtual std::string failure_reason() = 0;

  // Starts this same program in the working directory with `arguments`, the
  // first of which is the program's name as the child sees it. `job` (at
  // most kJobRoom bytes) is handed to the child alone: its standard input is
  // a pipe that holds exactly these bytes and then ends. Its standard output
  // and error are the null device; it gets no other handle or descriptor of
  // this program, and never outlives it. Null when the child could not be
  // started, or could not be tied to this program's life; no child runs
  // then, and failure_reason tells why.
  virtual std::unique_ptr<ChildProcess> start_program(const std::vector<std::string>& arguments,
                                                      std::string_view job) = 0;

  // What the program that started this one handed it with start_program:
  // the bytes that its standard input, a pipe, holds at once. Nothing when
  // standard input is no pipe, or holds nothing yet. Never waits, and reads
  // at most kJobRoom bytes.
  virtual std::optional<std::string> job_from_parent() = 0;

  // For a child: ends this process when the program `parent_id` that started
  // it ends. False when that program has ended already, is not the one
  // that started this process, or does not run this same program file (the
  // same file, not one of the same name), and when that cannot be told; the
  // caller ends at once then.
  virtual bool end_with_parent(unsigned long parent_id) = 0;

  // This process's number, for names that must differ between runs.
  virtual unsigned long process_id() = 0;
  // Whether a process of this number runs (or may run: one that this
  // process may not look at counts as running).
  virtual bool process_alive(unsigned long process_id) = 0;
  // A number nobody can guess, for names nobody may take first.
  virtual std::uint64_t random_number() = 0;

  // The value of this process's environment variable `name`; nothing when
  // it is unset.
  virtual std::optional<std::string> environment_variable(const std::string& name) = 0;
  // Sets this process's environment variable `name` to `value`, or removes
  // it for nothing, where every library loaded into the process reads it:
  // on Windows the process's environment block (which a DLL of another C
  // runtime reads with GetEnvironmentVariable) and this program's C
  // runtime's copy alike. False when that failed.
  virtual bool set_environment_variable(const std::string& name, const std::optional<std::string>& value) = 0;

  // Milliseconds on a clock that never goes back; waits that many.
  virtual std::uint64_t monotonic_ms() = 0;
  virtual void sleep_ms(unsigned milliseconds) = 0;

  // Runs `work` on a thread of its own and waits at most `milliseconds` for
  // it to return. False when it has not returned by then: it runs on, and
  // whatever it uses must live as long as the process, which ends without
  // waiting for it.
  virtual bool run_within(std::function<void()> work, std::uint64_t milliseconds) = 0;

  // What `path` is, without following a link at its end.
  virtual EntryKind entry_kind(const std::string& path) = 0;
  // The folder at `path` ("" for the working directory), held open; null
  // when a link or anything but a folder stands there, or it does not open.
  virtual std::unique_ptr<Folder> open_folder(const std::string& path) = 0;
  // Makes this folder of the working directory the working directory; a
  // link in its place is refused. False when that failed.
  virtual bool enter_directory(const std::string& path) = 0;

  // While kept (true), lookups by path may answer from what earlier lookups
  // saw of a folder instead of looking into it again; false forgets it all.
  // Only for a search that opens files for reading and nothing else, while
  // nothing changes the folders it looks in: a file written or removed in
  // them meanwhile may be missed, or found where it no longer is. A platform
  // whose file system matches letter case itself keeps nothing.
  virtual void keep_folder_listings(bool) {}

  // The run's output is complete and the process ends with `exit_code`:
  // writes out whatever standard output still holds.
  virtual void finish_output(int exit_code) = 0;

  // Writes out at once what standard output and standard error still hold,
  // so that a file or pipe that takes them, which the C runtime fills in
  // blocks, holds every line written so far even if the process never ends.
  virtual void flush_console() = 0;

  // Opens a file for reading as text: a CR LF pair reads as one line feed, as it
  // does for a Windows program's text-mode file. Every other byte is read as it
  // stands, so the Windows and POSIX builds read the same lines.
  std::unique_ptr<ReadableFile> open_text(const std::string& path);

 protected:
  void note_console_output(std::string_view text) {
    if (!text.empty()) console_line_open_ = text.back() != '\n';
  }

 private:
  bool console_line_open_ = false;
};

// Folder listings kept (see Platform::keep_folder_listings) for as long as
// this lives.
class FolderListingsKept {
 public:
  explicit FolderListingsKept(Platform& platform) : platform_(platform) { platform_.keep_folder_listings(true); }
  ~FolderListingsKept() { platform_.keep_folder_listings(false); }
  FolderListingsKept(const FolderListingsKept&) = delete;
  FolderListingsKept& operator=(const FolderListingsKept&) = delete;

 private:
  Platform& platform_;
};

// The most bytes that a job handed to a child may hold.
inline constexpr std::size_t kJobRoom = 1024;

// The platform of the machine the program runs on.
std::unique_ptr<Platform> make_system_platform();

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_PLATFORM_H_
