// The processing run: logging on, measuring and reporting, for the one system
// of a single-system run or for every system of a global run.
#ifndef QUILLAR_DRIVER_PROCESSING_RUN_H_
#define QUILLAR_DRIVER_PROCESSING_RUN_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/run_outcome.h"
#include "driver/run_settings.h"
#include "output/diagnostics.h"
#include "platform/platform.h"
#include "profiles/global_profile.h"
#include "profiles/password.h"
#include "profiles/system_profile.h"
#include "rfc/error_report.h"
#include "rfc/rfc_entry_points.h"
#include "rfc/rfc_library.h"

namespace quillar {

// What one invocation of the sensor (a parent or a child process) holds once
// start-up has settled it.
struct Invocation {
  Platform& platform;
  RunSettings& settings;
  DiagnosticLog& log;
  const OffsetTable& offset_table;
  std::string program_path;
  // Opened when the run first needs it; the report serves its entry points.
  RfcLibrary& rfc_library;
  const ErrorReportTarget& error_report;
  // The folder of the destination files, ending in a backslash; empty for
  // the working directory.
  std::string destination_folder = "";
  // The arguments that followed the program's path, as given.
  std::vector<std::string> arguments = {};
};

// The allocation of a global run: read from the item profile (ITEM form)
// or from the global profile, for the sensor key of the options (GLOBAL
// form), both at the located profile path.
Status read_global_allocation(Platform& platform, const RunSettings& settings, GlobalAllocation& allocation);

// The options that rule a global run, checked: the sensor line's (GLOBAL
// form) or the command line's (ITEM form), with the command line's trace
// and "@".
Status settle_global_options(const RunSettings& settings, const GlobalAllocation& allocation, Options& options);

// Opens the RFC library (a missing one fails the run before any output) and
// settles the options that rule a global run: the sensor line's (GLOBAL
// form) or the command line's (ITEM form), checked.
Status prepare_global_run(Invocation& invocation, const GlobalAllocation& allocation, Options& options);

// What one system of a global run came to.
enum class SystemState {
  kSkipped,     // its profile did not open: counted among the systems only
  kProcessed,   // it delivered its measures
  kRfcFailure,  // its profile was invalid, its logon or its call failed
};

struct SystemResult {
  SystemState state = SystemState::kSkipped;
  std::string channel_name;
  // The item's value, when the system delivered it.
  std::optional<std::uint32_t> value;
  // "* hh:mm:ss NAME, host, destination, sysnr, client", with the console
  // trace on.
  std::string system_line;
};

// The channel that the failed-systems keyword adds after the systems' own.
inline constexpr char kFailedSystemsChannel[] = "Failed systems";

// One system of a global run at work. Its steps are taken one by one, so that
// whoever shows the system's output decides what goes out before the rows
// are released: a release that the library refuses ends the run.
struct SystemWork {
  SystemResult result;
  LogonEntries entries;
  bool profile_valid = false;
  RFC_HANDLE handle = 0;
  ITAB_H table = nullptr;
};

// Where the output of one system of a global run goes, step by step, as it
// becomes known: whoever shows it decides what goes out before the rows are
// released, since a release that the library refuses ends the run.
class SystemSink {
 public:
  virtual ~SystemSink() = default;
  // The profile is read: the channel name and the trace line are settled.
  virtual void profile_read(const SystemResult& result) = 0;
  // The system is measured: its value, when it delivered one, and its state
  // are settled. Its rows are released and its connection closed after this.
  virtual void measured(const SystemResult& result) = 0;
  // The system is done; also the only step of one whose profile did not
  // open.
  virtual void done(const SystemResult& result) = 0;
};

class GlobalRun;

// Works on the systems of a global run, in this process or elsewhere, and
// hands each system's output back to the global run in listing order.
class SystemRunner {
 public:
  virtual ~SystemRunner() = default;
  // Has every system worked on. An RFC error report that ends a system in
  // this process ends the run with it, through the report.
  virtual void work_through(GlobalRun& global_run, const std::vector<std::string>& profile_names) = 0;
};

// One system after the other, in this process.
class InProcessRunner final : public SystemRunner {
 public:
  void work_through(GlobalRun& global_run, const std::vector<std::string>& profile_names) override;
};

// The systems of a global run, with what they share: the options of the run,
// the connection records and the description of the row structure, which the
// library is given once.
class GlobalRun {
 public:
  GlobalRun(Invocation& invocation, const GlobalAllocation& allocation, const Options& options);
  ~GlobalRun();

  // The profile names of the server listing, in order.
  const std::vector<std::string>& profile_names() const;

  // Prints the document head, has `runner` work through the listing and
  // prints the summary.
  void work_through_listing(SystemRunner& runner);

  // A system's profile, open; null when the system is passed over: its name
  // is too long for a profile name, or its profile does not open.
  std::unique_ptr<ReadableFile> open_system_profile(const std::string& profile_name);

  // One system's work, its output into `sink` step by step. Reading the
  // profile settles the channel name and the trace line. Measuring logs on,
  // whether or not the profile is valid, and with a valid one calls and adds
  // up the rows: the item's value and the state are settled then. Ending
  // releases the rows and closes the connection. A system whose profile did
  // not open (null) is done at once.
  void work_system(const std::string& profile_name, std::unique_ptr<ReadableFile> profile, SystemSink& sink);

  // What a system prints, in listing order: its channel as soon as its
  // measures are known, and once it is done its trace line and its count.
  void emit_channel(const SystemResult& result);
  void finish_system(const SystemResult& result);
  // What ended a failed system, beyond its state: each line goes to the
  // diagnostic log ("0 LINE ") and, with the console trace on, to a trace
  // line before the system's own.
  void note_system_failure(const std::vector<std::string>& lines);

  Invocation& invocation() { return invocation_; }
  const Options& options() const { return options_; }

 private:
  struct SystemTools;
  SystemWork begin_system(const std::string& profile_name, std::unique_ptr<ReadableFile> profile);
  void measure_system(SystemWork& work);
  void end_system(SystemWork& work);
  void print_summary();

  Invocation& invocation_;
  const GlobalAllocation& allocation_;
  const Options& options_;
  std::unique_ptr<SystemTools> tools_;
  std::uint32_t systems_ = 0;
  std::uint32_t processed_ = 0;
  std::uint32_t failed_ = 0;
};

// The global run: switches the log to the run's options and works through
// the listing, in children (`children`) when the options ask for them.
RunOutcome run_global(Invocation& invocation, const GlobalAllocation& allocation, const Options& options,
               SystemRunner& children);

// The channel of kChannelLabels whose value a global run reports for each
// system: the one that `item` names exactly, letter case included; nothing
// when it names none, and then no system reports a channel.
std::optional<std::size_t> channel_of_item(const std::string& item);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_PROCESSING_RUN_H_
