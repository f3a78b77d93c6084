// The processing run: logging on, measuring and reporting, for the one system
// of a single-system run or for every system of a global run.
#ifndef QUILLAR_DRIVER_PROCESSING_RUN_H_
#define QUILLAR_DRIVER_PROCESSING_RUN_H_

#include <cstdint>
#include <optional>
#include <string>

#include "driver/run_settings.h"
#include "output/diagnostics.h"
#include "platform/platform.h"
#include "profiles/global_profile.h"
#include "profiles/password.h"
#include "profiles/system_profile.h"
#include "rfc/error_report.h"
#include "rfc/rfc_entry_points.h"

namespace quillar {

// What a run holds once start-up has settled it.
struct Run {
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
  // A child works on its system itself, whatever the options say.
  bool in_child = false;
};

// Both give the exit code; the RFC error report ends the process on its own.
int run_single_system(Run& run);
int run_global(Run& run, const GlobalAllocation& allocation);

// What one system of a global run came to.
enum class SystemState {
  kSkipped,     // its profile did not open: counted among the systems only
  kProcessed,   // it delivered its measures
  kNotFound,    // it delivered nothing
  kRfcFailure,  // its profile was invalid, its logon or its call failed
};

struct SystemResult {
  SystemState state = SystemState::kSkipped;
  std::string channel_name;
  // The item's value, when the system delivered it.
  std::optional<std::uint32_t> value;
  // Why the system failed, when it failed in its call.
  std::string failure_text;
  // "* hh:mm:ss NAME, host, destination, sysnr, client", with the console
  // trace on.
  std::string system_line;
};

// The channel that the failed-systems keyword adds after the systems' own.
inline constexpr char kFailedSystemsChannel[] = "Failed systems";

// The trace state word of a result.
const char* state_word(SystemState state);

// What a system's work tells as soon as it knows it.
class SystemSink {
 public:
  virtual ~SystemSink() = default;
  // The channel name and the trace line are known: the profile has been read.
  virtual void named(const SystemResult& result) { (void)result; }
  // The item's value is known; the rows are not yet released.
  virtual void delivered(const SystemResult& result) = 0;
};

// The systems of a global run, with what they share: the options of the run,
// the connection records and the description of the row structure, which the
// library is given once. `options_source` is the option string the options
// were read from, which children read again.
class GlobalRun {
 public:
  GlobalRun(Run& run, const GlobalAllocation& allocation, const Options& options, std::string options_source);
  ~GlobalRun();

  // Works through the listing, one system after the other or in children,
  // and prints the document. Gives the exit code.
  int run_listing();

  // One system's work; the channel goes to `sink` when it is known.
  SystemResult process_system(const std::string& profile_name, SystemSink& sink);

  // A system's channel, its trace line and its count, in listing order.
  void emit_channel(const SystemResult& result);
  void emit_trace_line(const SystemResult& result);
  void count(const SystemResult& result);

  Run& run() { return run_; }
  const GlobalAllocation& allocation() const { return allocation_; }
  const Options& options() const { return options_; }
  const std::string& options_source() const { return options_source_; }

 private:
  struct Shared;
  void print_summary();

  Run& run_;
  const GlobalAllocation& allocation_;
  const Options& options_;
  const std::string options_source_;
  std::unique_ptr<Shared> shared_;
  std::uint32_t systems_ = 0;
  std::uint32_t processed_ = 0;
  std::uint32_t failed_ = 0;
};

// How the single-system run shows its parameters in its Executing line: the
// options as typed, cut at the first "#" and then at the first "@";
// "(No Parameters)" when nothing remains.
std::string shown_parameters(const std::string& typed_options);

// The global run's name of a system's channel, by the display selector.
std::string channel_name_for(const std::string& display_selector, const std::string& profile_name,
                             const LogonEntries& entries);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_PROCESSING_RUN_H_
