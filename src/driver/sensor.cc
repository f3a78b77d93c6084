#include "driver/sensor.h"

#include "driver/child_job.h"
#include "driver/child_runs.h"
#include "driver/child_side.h"
#include "driver/error_document.h"
#include "driver/processing_run.h"
#include "driver/run_settings.h"
#include "driver/startup.h"
#include "driver/version.h"
#include "output/diagnostics.h"
#include "output/result_document.h"
#include "profiles/global_profile.h"
#include "profiles/password.h"

namespace quillar {
namespace {

constexpr char kHelp[] =
    "usage: quillar PROFILE [OPTIONS [MORE-OPTIONS]]\n"
    "       quillar GLOBAL \"KEY [OPTIONS]\"\n"
    "       quillar PROFILE \"ITEM=CHANNEL [OPTIONS]\"\n"
    "       quillar --version\n"
    "       quillar --help\n"
    "\n"
    "PROFILE is a system profile, PRD or PRD.P00, looked for in PRTG's Custom\n"
    "Sensors\\ExeXml folder (or as named with @ or a mode other than EXEXML).\n"
    "GLOBAL reports one channel for each system that the global profile\n"
    "SAP Orvanta.Gbl allocates to the sensor KEY; its sensor line holds the\n"
    "options of the run. ITEM= reports CHANNEL for each system of Orvanta.Prf.\n"
    "A third argument is joined to the options with a blank; later ones are not\n"
    "read. Options are found anywhere, in any letter case:\n"
    "\n"
    "  LAN=name       only the rows of this network interface count\n"
    "  ITEM=channel   Packets/Sec, In-Packets/Sec, Out-Packets/Sec, In-Errors,\n"
    "                 Out-Errors or Collision(s); \":\" stands for a blank\n"
    "  MODE=mode      EXEXML (the default), Quendal, Dravik, Mervesk or Tolvane\n"
    "  CH=n           Tolvane: the value of the n-th channel alone\n"
    "  ,SYSLOG        write Quillar.log in the working directory\n"
    "  ,HOST=name     log on to this application server instead of the profile's\n"
    "  ,NO=nn         log on with this system number instead of the profile's\n"
    "  ,DEADLINE=s    stop a system that has not answered after s seconds (1-600)\n"
    "  ,PARALLEL=n    work on up to n systems at once (1-32)\n"
    "  ,RUNTIME=s     with ,DEADLINE= or ,PARALLEL=: end the whole run after s\n"
    "                 seconds (1-900, 50 unless set, not below the deadline)\n"
    "  ,FAILED        a global run adds the channel \"Failed systems\"\n"
    "  # $ %          trace lines before the document (by hand only)\n"
    "  @              trace lines, and the profile opened where PROFILE names it\n"
    "\n"
    "Exit codes: 0 the run completed, 1 the RFC library's error report ended it,\n"
    "2 an error document was printed.\n"
    "\n"
    "ADMIN-GUIDE.md in the release archive is the administrator's guide;\n"
    "quillar-profile explain \"PARAMETERS\" shows how the sensor reads its\n"
    "parameters.\n";

// The two questions about the program itself, which touch no profile.
std::optional<int> answer_about_program(Platform& platform, const std::vector<std::string>& command_line) {
  if (command_line.size() < 2) return std::nullopt;
  if (command_line[1] == "--version") {
    platform.write_console(make_banner_line(platform.time_of_day()) + "\nquillar " + build_version() + "\n");
    return kExitCompleted;
  }
  if (command_line[1] == "--help") {
    platform.write_console(kHelp);
    return kExitCompleted;
  }
  return std::nullopt;
}

}  // namespace

int run_sensor(Platform& platform, const std::vector<std::string>& command_line) {
  if (std::optional<int> answered = answer_about_program(platform, command_line)) return *answered;
  RunSettings settings;
  const OffsetTable offset_table;
  DiagnosticLog log;

  std::vector<std::string> arguments;
  if (command_line.size() > 1) arguments.assign(command_line.begin() + 1, command_line.end());
  // A child goes through the same start-up as its parent; it only ends with
  // its parent and keeps its log for its scratch folder.
  std::optional<ChildJob> child_job;
  if (std::optional<std::string> handed = platform.job_from_parent()) child_job = decode_child_job(*handed);
  if (child_job) platform.end_with_parent(child_job->parent_id);
  Status status = read_command_line(arguments, settings);
  if (!status.is_ok()) return end_with_error_document(platform, status.text());
  // Only trace lines show the start time, so the clock and its time zone are
  // read only for them.
  if (settings.options.trace) settings.start_time = platform.time_of_day();
  if (!child_job) log.switch_to(platform, settings.options.syslog);

  status = locate_profile(platform, settings);
  if (!status.is_ok()) return end_with_error_document(platform, status.text());

  RfcLibrary rfc_library;
  const ErrorReportTarget error_report{platform, rfc_library.entry_points};
  Invocation invocation{platform, settings, log, offset_table, command_line.empty() ? "" : command_line[0], rfc_library,
          error_report, "", arguments};
  if (!settings.global_run) {
    LogonEntries entries;
    status = read_single_profile(invocation, entries);
    if (!status.is_ok()) return end_with_error_document(platform, status.text());
    if (child_job) return run_single_system_as_child(invocation, entries, *child_job);
    if (settings.options.uses_children()) return run_single_in_child(invocation, entries.destination);
    return run_single_system(invocation, entries);
  }

  // The profile was opened to locate it; the reader opens it anew.
  settings.profile_stream.reset();
  GlobalAllocation allocation;
  if (settings.profile_name == kItemProfileName) {
    status = read_item_profile(platform, settings.profile_path, settings.options.item.value_or(""), allocation);
  } else {
    status = read_global_profile(platform, settings.profile_path, settings.options.sensor_key,
                                 settings.sensor_argument, read_sensor_line, allocation);
  }
  if (!status.is_ok()) return end_with_error_document(platform, status.text());
  Options options;
  status = prepare_global_run(invocation, allocation, options);
  if (!status.is_ok()) return end_with_error_document(platform, status.text());
  if (child_job) return run_global_system_as_child(invocation, allocation, options, *child_job);
  ChildRunner children;
  return run_global(invocation, allocation, options, children);
}

}  // namespace quillar
