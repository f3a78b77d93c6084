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
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillar {

// A file open for reading.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads up to `capacity` bytes into `buffer`. Returns 0 at the end of the
  // file and after a read error, which the callers treat alike.
  virtual std::size_t read(char* buffer, std::size_t capacity) = 0;
};

// A file open for writing.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual bool write(std::string_view bytes) = 0;
  virtual bool flush() = 0;
  // Writes what is buffered and closes the file. False when that, or any
  // earlier write, failed; the file is closed all the same. Destroying a
  // file that was not closed closes it without telling.
  virtual bool close() = 0;
};

// A library of the system's loader, loaded at run time. Unloaded when
// destroyed.
class SharedLibrary {
 public:
  virtual ~SharedLibrary() = default;
  // The address of the function exported under exactly this name; null when
  // the library exports none.
  virtual void* entry_point(const char* name) = 0;
};

// Another run of this same program, started by start_program.
class ChildProcess {
 public:
  // Ends the child if it still runs.
  virtual ~ChildProcess() = default;
  // The exit code once the child has ended; nothing while it runs.
  virtual std::optional<int> exit_code() = 0;
  // Ends the child at once.
  virtual void kill() = 0;
};

// Windows error codes of a library load, the ones the sensor explains.
inline constexpr unsigned long kLoadModuleNotFound = 126;  // ERROR_MOD_NOT_FOUND
inline constexpr unsigned long kLoadEntryPointMissing = 127;  // ERROR_PROC_NOT_FOUND
inline constexpr unsigned long kLoadBadFormat = 193;  // ERROR_BAD_EXE_FORMAT
// The library is there, but a DLL it imports is missing.
inline constexpr unsigned long kLoadImportMissing = 1157;  // ERROR_DLL_NOT_FOUND

class Platform {
 public:
  virtual ~Platform() = default;

  // Opens a file for reading without any translation. Gives null when the file
  // does not exist, cannot be read, or is a folder.
  virtual std::unique_ptr<ReadableFile> open_bytes(const std::string& path) = 0;

  // Creates or truncates a file for writing without any translation.
  virtual std::unique_ptr<WritableFile> create_bytes(const std::string& path) = 0;

  // Opens a file for appending text, creating it when missing. Line feeds are
  // written as the platform's line end.
  virtual std::unique_ptr<WritableFile> append_text(const std::string& path) = 0;

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

  // Writes to standard error exactly these bytes.
  virtual void write_error_console(std::string_view text) = 0;

  // Whether standard input is a terminal, where a person types.
  virtual bool input_is_terminal() = 0;

  // Reads one line from standard input, without its line end. On a terminal
  // the typed characters are not shown. False when the input has ended
  // before any character.
  virtual bool read_secret_line(std::string& line) = 0;

  // Loads a library by file name: first from the folder of the running
  // program, then by the system's search (the system folder, PATH), never
  // from the working directory, which users other than the administrator may
  // be able to write to. Null on failure, with the system's error code in
  // `error_code` (see kLoad...). Builds that link their libraries load none.
  virtual std::unique_ptr<SharedLibrary> load_library(const std::string& file_name,
                                                      unsigned long& error_code) = 0;

  // The first bytes (a page at most) of the file that the same search finds
  // under this name, read as data whatever machine it was built for: enough
  // for the headers of a DLL. Empty when none is found or the system cannot
  // read it as a library file at all.
  virtual std::string library_file_head(const std::string& file_name) = 0;

  // The full Windows path of a path as written ("PRD.P00" in the working
  // directory C:\PRTG gives "C:\PRTG\PRD.P00"), for messages.
  virtual std::string full_path(const std::string& path) = 0;

  // The system's words for why the last file operation failed ("No such
  // file or directory").
  virtual std::string failure_reason() = 0;

  // Opens a file for appending without any translation, creating it when
  // missing.
  virtual std::unique_ptr<WritableFile> append_bytes(const std::string& path) = 0;

  // Creates a folder; removes an empty one. False when that failed.
  virtual bool make_directory(const std::string& path) = 0;
  virtual bool remove_directory(const std::string& path) = 0;

  // Starts this same program with `arguments` in the folder `working_dir`.
  // Children never outlive the program that started them. Null when the
  // child could not be started.
  virtual std::unique_ptr<ChildProcess> start_program(const std::vector<std::string>& arguments,
                                                      const std::string& working_dir) = 0;

  // For a child: ends this process when the program that started it ends.
  virtual void end_with_parent() = 0;

  // This process's number, for names that must differ between runs.
  virtual unsigned long process_id() = 0;

  // Milliseconds on a clock that never goes back; waits that many.
  virtual std::uint64_t monotonic_ms() = 0;
  virtual void sleep_ms(unsigned milliseconds) = 0;

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

// The rest of a file, as it reads.
std::string read_rest(ReadableFile& file);

// The platform of the machine the program runs on.
std::unique_ptr<Platform> make_system_platform();

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_PLATFORM_H_
