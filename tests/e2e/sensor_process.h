// Runs the built sensor as a process, natively or as quillar.exe under wine,
// with its files laid out on drive c.
//
// QUILLAR_E2E_PROGRAM names the sensor, QUILLAR_E2E_PROFILE_TOOL the profile
// tool. When QUILLAR_E2E_WINE_PREFIX names a
// wine prefix, the program is a Windows executable: drive c is the prefix's
// drive_c, one persistent wineserver serves the whole suite, and wine is
// started only through the project's helper that QUILLAR_E2E_WINE names,
// which picks the loader this kernel can run. Otherwise
// drive c is a folder of a temporary drive root, handed to the program in
// QUILLAR_DRIVE_ROOT, and with QUILLAR_E2E_VALGRIND set every native run goes
// through valgrind, whose reports then fail the case.
#ifndef QUILLAR_TESTS_E2E_SENSOR_PROCESS_H_
#define QUILLAR_TESTS_E2E_SENSOR_PROCESS_H_

#include <filesystem>
#include <string>
#include <vector>

namespace quillar::e2e {

struct ProcessResult {
  std::string standard_output;
  std::string standard_error;
  int exit_code = -1;
};

class SensorHost {
 public:
  // Reads the environment and, under wine, starts the wineserver.
  SensorHost();
  // Stops the wineserver and removes every file the cases left.
  ~SensorHost();
  SensorHost(const SensorHost&) = delete;
  SensorHost& operator=(const SensorHost&) = delete;

  bool under_wine() const { return !wine_prefix_.empty(); }

  // Writes a file at a Windows path of drive c ("C:\e2e\PRD.P00"), with its
  // folders. Files are removed again by clear_files().
  void write_file(const std::string& windows_path, const std::string& content);
  std::filesystem::path local_path(const std::string& windows_path) const;
  void clear_files();

  enum class Program { kSensor, kProfileTool };

  // Runs a program with these arguments in a working directory of drive c,
  // with `input` on its standard input.
  ProcessResult run(const std::vector<std::string>& arguments, const std::string& working_dir,
                    const std::string& input = "", Program program = Program::kSensor);
  // Runs the program at this host path (a copy of the sensor, say) the same way.
  ProcessResult run_program(const std::string& path, const std::vector<std::string>& arguments,
                            const std::string& working_dir, const std::string& input = "",
                            int kill_after_ms = 60000);
  // Runs the sensor and kills it after this many milliseconds, as PRTG
  // does at its timeout.
  ProcessResult run_killed_after(const std::vector<std::string>& arguments, const std::string& working_dir,
                                 int milliseconds);
  // Runs a program as run() does, but with a terminal as its standard
  // output and error (util-linux script), whose session is the result's
  // standard output, and the locale `locale` in the environment; `input`
  // still comes through a pipe.
  ProcessResult run_on_terminal(const std::vector<std::string>& arguments, const std::string& working_dir,
                                const std::string& input, Program program, const std::string& locale);
  // The sensor as QUILLAR_E2E_PROGRAM names it.
  const std::string& sensor_path() const { return program_; }
  // The profile tool beside it.
  const std::string& profile_tool_path() const { return profile_tool_; }

  // The bytes a console program writes for `text`: under wine, standard
  // output is in text mode and each line feed leaves as CR LF.
  std::string console_form(const std::string& text) const;

 private:
  struct Command {
    std::vector<std::string> argv;
    std::vector<std::string> env;
  };
  // The host folder of a working directory of drive c, made when missing.
  std::filesystem::path working_folder(const std::string& working_dir);
  // How a program at this host path is started with these arguments.
  Command command_of(const std::string& path, const std::vector<std::string>& arguments) const;

  std::string program_;
  std::string profile_tool_;
  std::string wine_prefix_;
  std::string wine_;  // the wine helper, under wine only
  std::filesystem::path drive_root_;  // native runs only
  std::filesystem::path drive_c_;
  std::vector<std::filesystem::path> created_;
};

}  // namespace quillar::e2e

#endif  // QUILLAR_TESTS_E2E_SENSOR_PROCESS_H_
