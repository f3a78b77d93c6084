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

// The trace state word of a result.
const char* state_word(SystemState state);

// How the single-system run shows its parameters in its Executing line: the
// options as typed, cut at the first "#" and then at the first "@";
// "(No Parameters)" when nothing remains.
std::string shown_parameters(const std::string& typed_options);

// The global run's name of a system's channel, by the display selector.
std::string channel_name_for(const std::string& display_selector, const std::string& profile_name,
                             const LogonEntries& entries);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_PROCESSING_RUN_H_
