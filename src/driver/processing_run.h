// The processing run: logging on, measuring and reporting, for the one system
// of a single-system run or for every system of a global run.
#ifndef QUILLAR_DRIVER_PROCESSING_RUN_H_
#define QUILLAR_DRIVER_PROCESSING_RUN_H_

#include <string>

#include "driver/run_settings.h"
#include "output/channel_writer.h"
#include "output/diagnostics.h"
#include "output/result_document.h"
#include "platform/platform.h"
#include "profiles/password.h"
#include "profiles/system_profile.h"
#include "rfc/error_report.h"
#include "rfc/rfc_entry_points.h"

namespace quillar {

// What a run holds once start-up has settled it.
struct Run {
  Platform& platform;
  RunSettings& settings;
  ResultDocument& document;
  ChannelWriter& channels;
  DiagnosticLog& log;
  const OffsetTable& offset_table;
  std::string program_path;
  // Opened when the run first needs it; the report serves its entry points.
  RfcLibrary& rfc_library;
  const ErrorReportTarget& error_report;
};

// Both give the exit code; the RFC error report ends the process on its own.
int run_single_system(Run& run);
int run_global(Run& run);

// How the single-system run shows its parameters in its Executing line: the
// options as typed, cut at the first "#" and then at the first "@";
// "(No Parameters)" when nothing remains.
std::string shown_parameters(const std::string& option_text_raw);

// The global run's name of a system's channel, by the display selector.
std::string channel_name_for(const std::string& display_selector, const std::string& profile_name,
                             const LogonEntries& entries);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_PROCESSING_RUN_H_
