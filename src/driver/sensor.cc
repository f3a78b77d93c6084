#include "driver/sensor.h"

#include "driver/child_job.h"
#include "driver/child_runs.h"
#include "driver/child_side.h"
#include "driver/option_keywords.h"
#include "driver/run_outcome.h"
#include "driver/processing_run.h"
#include "driver/run_settings.h"
#include "driver/run_steps.h"
#include "driver/single_run.h"
#include "driver/startup.h"
#include "driver/version.h"
#include "output/diagnostics.h"
#include "output/result_document.h"
#include "profiles/global_profile.h"
#include "profiles/password.h"

namespace quillar {
namespace {

// The help. The modes and option keywords it names are made from kModes
// and kOptionKeywords.
std::string help_text() {
  const std::string searching_modes =
      listed_modes([](const ModeRow& row) { return row.profile_search == ProfileSearch::kPrtgFolder; });
  return "usage: quillar PROFILE [OPTIONS [MORE-OPTIONS]]\n"
         "       quillar GLOBAL \"KEY [OPTIONS]\"\n"
         "       quillar PROFILE \"ITEM=CHANNEL [OPTIONS]\"\n"
         "       quillar --version\n"
         "       quillar --help\n"
         "\n"
         "PROFILE is a system profile, PRD or PRD.P00, looked for in PRTG's Custom\n"
         "Sensors\\ExeXml folder (or as named with @ or a mode other than " +
         searching_modes +
         ").\n"
         "GLOBAL reports one channel for each system that the global profile\n"
         "SAP Orvanta.Gbl allocates to the sensor KEY; its sensor line holds the\n"
         "options of the run. ITEM= reports CHANNEL for each system of Orvanta.Prf.\n"
         "A third argument is joined to the options with a blank; later ones are not\n"
         "read. Options are found anywhere, in any letter case:\n"
         "\n" +
         option_help_lines() +
         "  # $ %          trace lines before the document (by hand only)\n"
         "  @              trace lines, and the profile opened where PROFILE names it\n"
         "\n"
         "Exit codes: 0 the run completed, 1 the RFC library's error report ended it,\n"
         "2 an error document was printed.\n"
         "\n"
         "ADMIN-GUIDE.md in the release archive is the administrator's guide;\n"
         "quillar-profile explain \"PARAMETERS\" shows how the sensor reads its\n"
         "parameters.\n";
}

// The two questions about the program itself, which touch no profile.
std::optional<int> answer_about_program(Platform& platform, const std::vector<std::string>& command_line) {
  if (command_line.size() < 2) return std::nullopt;
  if (command_line[1] == "--version") {
    // One line, as quillar-profile --version writes it, for scripts that
    // read the release from it.
    platform.write_console(std::string("quillar ") + build_version() + "\n");
    return kExitCompleted;
  }
  if (command_line[1] == "--help") {
    platform.write_console(help_text());
    return kExitCompleted;
  }
  return std::nullopt;
}

// The job that the sensor which started this run handed it; nothing for a
// run that no sensor started. A child is tied to its parent's life.
std::optional<ChildJob> job_from_parent(Platform& platform) {
  std::optional<std::string> handed = platform.job_from_parent();
  if (!handed) return std::nullopt;
  return decode_child_job(*handed);
}

// Start-up: the command line read into the settings and the profile
// located. A child keeps its log for its scratch folder.
Status start_up(Platform& platform, const std::vector<std::string>& arguments, bool child, RunSettings& settings,
                DiagnosticLog& log) {
  Status status = read_command_line(arguments, settings);
  if (!status.is_ok()) return status;
  // Only trace lines show the start time, so the clock and its time zone are
  // read only for them.
  if (settings.options.trace) settings.start_time = platform.time_of_day();
  if (!child) log.switch_to(platform, settings.options.syslog);
  return locate_profile(platform, settings);
}

// The single-system run: in this process, in a child, or as the child.
RunOutcome single_system_run(Invocation& invocation, const std::optional<ChildJob>& job, ChildConsole& child_console) {
  LogonEntries entries;
  Status read = read_single_profile(invocation, entries);
  if (!read.is_ok()) return read;
  if (job) return run_single_system_as_child(invocation, entries, *job, child_console);
  if (invocation.settings.options.uses_children()) return run_single_in_child(invocation, entries.destination);
  return run_single_system(invocation, entries);
}

// The global run: its allocation read from the global profile (GLOBAL form)
// or the item profile (ITEM form), its options settled, then its systems.
RunOutcome global_run(Invocation& invocation, const std::optional<ChildJob>& job, ChildConsole& child_console) {
  RunSettings& settings = invocation.settings;
  // The profile was opened to locate it; the reader opens it anew.
  settings.profile_stream.reset();
  GlobalAllocation allocation;
  Status status = read_global_allocation(invocation.platform, settings, allocation);
  if (!status.is_ok()) return status;
  Options options;
  status = prepare_global_run(invocation, allocation, options);
  if (!status.is_ok()) return status;
  if (job) return run_global_system_as_child(invocation, allocation, options, *job, child_console);
  ChildRunner children;
  return run_global(invocation, allocation, options, children);
}

}  // namespace

int run_sensor(Platform& platform, const std::vector<std::string>& command_line) {
  if (std::optional<int> answered = answer_about_program(platform, command_line)) return *answered;
  // A child goes through the same start-up as its parent, on a console that
  // records what it prints once it has entered its scratch folder.
  const std::optional<ChildJob> job = job_from_parent(platform);
  if (job && !platform.end_with_parent(job->parent_id)) return kExitParentGone;
  ChildConsole child_console(platform);
  Platform& console = job ? static_cast<Platform&>(child_console) : platform;

  RunSettings settings;
  const OffsetTable offset_table;
  DiagnosticLog log;
  RfcLibrary rfc_library;
  const ErrorReportTarget error_report{console, rfc_library.entry_points};
  const std::vector<std::string> arguments(command_line.empty() ? command_line.end() : command_line.begin() + 1,
                                           command_line.end());
  Invocation invocation{console, settings, log, offset_table, command_line.empty() ? "" : command_line[0],
                        rfc_library, error_report, "", arguments};

  RunOutcome outcome = start_up(console, arguments, job.has_value(), settings, log);
  if (outcome.status().is_ok()) {
    outcome = settings.global_run ? global_run(invocation, job, child_console)
                                  : single_system_run(invocation, job, child_console);
  }
  const int exit_code = finish_run(console, outcome);
  console.finish_output(exit_code);
  return job ? child_console.exit_code(exit_code) : exit_code;
}

}  // namespace quillar
