#include "tool/logon_test.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <set>

#include "base/capacities.h"
#include "base/errors.h"
#include "base/texts.h"
#include "driver/options.h"
#include "driver/processing_run.h"
#include "driver/result_rendering.h"
#include "driver/run_steps.h"
#include "driver/startup.h"
#include "measure/network_usage.h"
#include "output/diagnostics.h"
#include "profiles/global_profile.h"
#include "profiles/password.h"
#include "profiles/system_profile.h"
#include "rfc/connection.h"
#include "rfc/error_report.h"
#include "rfc/rfc_entry_points.h"
#include "rfc/rfc_files.h"
#include "tool/item_review.h"
#include "tool/library_report.h"
#include "tool/profile_check.h"
#include "tool/profile_lookup.h"
#include "tool/tool_output.h"

namespace quillar {
namespace {

// PRTG's default timeout for a sensor of this type, in seconds: the bound of
// a test whose options leave the sensor unbounded.
constexpr std::uint64_t kPrtgDefaultTimeout = 60;

// What is shown of the trace file's new part at most: its last lines.
constexpr std::size_t kTraceShownRoom = 16 * 1024;

// How far the work of one system with the library got.
enum class Stage { kLogon, kCall, kDone };

// The library and what works with it. A system's work runs on a thread of
// its own when a deadline bounds it, and a thread given up at the deadline
// stays inside the library until the process ends: it holds the session,
// so nothing that it uses goes away before that.
struct LibrarySession {
  explicit LibrarySession(Platform& console) : platform(console) {}
  Platform& platform;
  RfcLibrary library;
  // Never switched on: a test writes no Quillar.log.
  DiagnosticLog log;
  const ErrorReportTarget error_report{platform, library.entry_points};
  RFC_ENV environment{};
  // The row structure is described to the library once, as in a run.
  NetworkUsage usage;
};

// One system's logon and call, and what the library answered.
struct SystemWork {
  LogonEntries entries;
  LogonOverrides overrides;
  std::string interface_name;
  LogonRoute route;
  LogonRecords records;
  std::atomic<Stage> stage{Stage::kLogon};
  bool logged_on = false;
  // The library's last error, after a failed logon or call.
  RFC_ERROR_INFO error{};
  Measurement measurement;
  std::vector<LanRow> rows;
};

void work_with_library(LibrarySession& session, SystemWork& work) {
  const RfcEntryPoints& rfc = session.library.entry_points;
  RfcContext context{session.platform, rfc, session.log, work.overrides, ""};
  const RFC_HANDLE handle = open_sap_connection(context, work.entries, std::move(work.route), work.records);
  if (handle == 0) {
    rfc.RfcLastError(&work.error);
    work.stage = Stage::kDone;
    return;
  }
  work.logged_on = true;
  work.stage = Stage::kCall;
  ITAB_H table = session.usage.create_table(rfc);
  work.measurement = session.usage.measure_network_usage(context, handle, table, work.interface_name);
  if (work.measurement.call_ok()) {
    for_each_lan_row(rfc, table, [&](const LanRow& row) { work.rows.push_back(row); });
  } else {
    rfc.RfcLastError(&work.error);
  }
  session.usage.release_table(rfc, table);
  rfc.RfcClose(handle);
  work.stage = Stage::kDone;
}

// The text of a fixed-size field of the library, up to its zero byte.
std::string field_text(const char* field, std::size_t size) {
  return std::string(field, std::find(field, field + size, '\0'));
}

std::string logon_description(const SystemWork& work, bool by_destination_file) {
  const LogonEntries& entries = work.entries;
  std::string text = "Logon: destination " + entries.destination + ", client " + entries.client + ", user " +
                     entries.user;
  if (by_destination_file) {
    return text + ", language D, to the server that SapRfc.ini names for the destination (by the destination "
                  "file " + kDestinationFilePrefix + entries.destination + "); the password is not shown\n";
  }
  text += ", language " + entries.language;
  if (entries.mode == "R/2") {
    return text + ", through gateway " + entries.gwhost + ", service " + entries.gwservice +
           "; the password is not shown\n";
  }
  const std::string host = work.overrides.hostname.value_or(entries.hostname);
  const std::string sysnr = work.overrides.sysnr.value_or(entries.sysnr);
  return text + ", host " + host + (work.overrides.hostname ? " (,HOST=)" : "") + ", system number " + sysnr +
         (work.overrides.sysnr ? " (,NO=)" : "") + "; the password is not shown\n";
}

// The size of the trace file now, where its new part will begin.
std::uint64_t trace_file_mark(Platform& platform) {
  std::unique_ptr<Folder> working = platform.open_folder("");
  std::unique_ptr<ReadableFile> trace = working ? working->open_file(kTraceFileName) : nullptr;
  return trace ? trace->size().value_or(0) : 0;
}

// What the library added to its trace file after `mark`, each line indented;
// the whole file when it was replaced meanwhile.
std::string new_trace_lines(Platform& platform, std::uint64_t mark) {
  std::unique_ptr<Folder> working = platform.open_folder("");
  std::unique_ptr<ReadableFile> trace = working ? working->open_file(kTraceFileName) : nullptr;
  if (!trace) return "";
  const std::uint64_t size = trace->size().value_or(0);
  std::uint64_t from = size >= mark ? mark : 0;
  if (size - from > kTraceShownRoom) from = size - kTraceShownRoom;
  if (!trace->seek(from)) return "";
  std::string added = read_rest(*trace, kTraceShownRoom);
  std::string shown;
  std::size_t start = 0;
  while (start < added.size()) {
    std::size_t end = added.find('\n', start);
    if (end == std::string::npos) end = added.size();
    std::string line = added.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) shown += "  " + line + "\n";
    start = end + 1;
  }
  return shown;
}

std::string counters_table(const std::vector<LanRow>& rows) {
  auto right = [](const std::string& text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
  };
  auto width_of = [](std::string_view label) { return std::max<std::size_t>(label.size(), 10); };
  std::string table = "  Interface";
  for (std::string_view label : kChannelLabels) table += "  " + right(std::string(label), width_of(label));
  table += "\n";
  for (const LanRow& row : rows) {
    table += "  " + row.name + std::string(row.name.size() < 9 ? 9 - row.name.size() : 0, ' ');
    for (std::size_t k = 0; k < row.counters.size(); ++k) {
      table += "  " + right(std::to_string(row.counters[k]), width_of(kChannelLabels[k]));
    }
    table += "\n";
  }
  return table;
}

std::string interface_names(const std::vector<LanRow>& rows) {
  std::string names;
  for (const LanRow& row : rows) names += (names.empty() ? "" : ", ") + row.name;
  return names;
}

// What the library said of a failure: its key and its message.
std::string library_reason(const RFC_ERROR_INFO& error) {
  const std::string key = field_text(error.key, sizeof error.key);
  const std::string message = field_text(error.message, sizeof error.message);
  if (key.empty() && message.empty()) return "the RFC library gives no reason";
  return message + (key.empty() ? "" : " (" + key + ")");
}

// The tests of one invocation: the library, opened once, and the faults
// found so far.
class LogonTest {
 public:
  explicit LogonTest(Platform& platform)
      : platform_(platform), session_(std::make_shared<LibrarySession>(platform)), started_ms_(platform.monotonic_ms()) {}

  // Opens the library as the sensor does; false, having said why the
  // sensor would stop, when it cannot. The library works in the working
  // directory, whatever the options, so its trace file is checked there
  // first, as a run in one process checks it.
  bool open_library() {
    const Status place = check_trace_file_place(platform_);
    if (!place.is_ok()) {
      say(platform_, place.text());
      return false;
    }
    Status opened = open_rfc_library(platform_, session_->library);
    if (!opened.is_ok()) {
      const std::string refused = refused_library_line(platform_, session_->library);
      if (!refused.empty()) platform_.write_console(refused + "\n");
      say(platform_, "the sensor stops with \"" + opened.text() + "\"");
      return false;
    }
    platform_.write_console(library_description(platform_, session_->library));
    set_error_report_target(session_->error_report);
    session_->environment = error_report_environment();
    session_->library.entry_points.RfcEnvironment(&session_->environment);
    return true;
  }

  // Says what quillar-profile check finds in the system profile `name`: its
  // warnings, and its faults as faults of this test, which the logon's
  // advice then points to. The reader's own refusal is the caller's to tell.
  void tell_profile_findings(const std::string& name, const SystemProfileFindings& found) {
    for (const std::string& warning : found.warnings) say(platform_, "warning: " + name + ", " + warning);
    for (const std::string& blank : found.blank_faults) fault(name + ", " + blank);
    if (!found.blank_faults.empty()) faulty_profiles_.insert(name);
  }

  // With ,SYSLOG the sensor appends its log in the working directory; a log
  // it cannot open never fails its run, so a test says so, as the sensor
  // does on standard error, without counting it as a fault. The log is
  // opened as the sensor opens it, and nothing is written into it, but a log
  // that is not there yet is left there empty, as the sensor's run leaves it.
  void tell_log_file(const Options& options) {
    if (!options.syslog) return;
    const LogOpening opened = open_log_file(platform_, true);
    if (opened.stream) return;
    const UnwrittenFile& unwritten = opened.unwritten;
    platform_.write_console("No log: with ,SYSLOG the sensor writes none, " + unwritten.file +
                            " cannot be written: " + unwritten.reason + "\n");
  }

  void fault(const std::string& what_to_fix) {
    ++faults_;
    say(platform_, what_to_fix);
  }
  int exit_code() const { return faults_ == 0 ? kToolDone : kToolFoundFault; }
  // Whether a system was given up at its deadline: its thread may hold the
  // library, so no other system is tried after it.
  bool gave_up() const { return gave_up_; }

  // Logs on to the system of `entries`, calls GET_LAN_SINGLE and tells what
  // came back. Gives the totals of the selected rows when the sensor would
  // report real values.
  std::optional<std::array<std::uint32_t, 6>> test_system(const std::string& profile_name,
                                                           const LogonEntries& entries, const Options& options) {
    auto work = std::make_shared<SystemWork>();
    work->entries = entries;
    work->overrides = options.overrides;
    work->interface_name = options.interface_name;
    const RfcContext context{platform_, session_->library.entry_points, session_->log, options.overrides, ""};
    work->route = LogonRoute::choose(context, entries.destination);
    const Bound bound = bound_of_system(options);
    const std::string seconds = std::to_string((bound.milliseconds + 999) / 1000);
    platform_.write_console("Bound: " + seconds + " seconds, " + bound.reason + ".\n");
    platform_.write_console(logon_description(*work, work->route.by_destination_file()));

    const std::uint64_t mark = trace_file_mark(platform_);
    std::shared_ptr<LibrarySession> session = session_;
    auto run = [session, work] { work_with_library(*session, *work); };
    if (!platform_.run_within(run, bound.milliseconds)) {
      gave_up_ = true;
      const char* step = work->stage == Stage::kLogon ? "the logon" : "the call of GET_LAN_SINGLE";
      platform_.write_console("No answer: " + std::string(step) + " did not return within " + seconds +
                              " seconds.\n");
      fault("SAP system " + entries.destination + " did not answer within " + seconds + " seconds (" + step +
            "); check that the host is up and reachable from this computer, " + bound.advice);
      return std::nullopt;
    }

    if (!work->records.unwritten.file.empty()) {
      platform_.write_console("The logon was not tried: " + work->records.unwritten.file + " cannot be written: " +
                              work->records.unwritten.reason + "\n");
      fault("the logon to " + entries.destination + " was not tried, so the sensor reports \"" +
            error_text(Fault::kLogonFailed, {entries.destination}) + "\": the library takes the destination file " +
            kDestinationFilePrefix + entries.destination + " as " + work->records.unwritten.file +
            ", which cannot be written (" + work->records.unwritten.reason +
            "); let the sensor's user write there, the profile is not at fault");
      return std::nullopt;
    }
    if (!work->logged_on) {
      platform_.write_console("The logon failed: " + library_reason(work->error) + "\n" +
                              trace_part(mark));
      fault("the logon to " + entries.destination + " failed, so the sensor reports \"" +
            error_text(Fault::kLogonFailed, {entries.destination}) + "\": " + library_reason(work->error) +
            "; " + logon_advice(profile_name, *work));
      return std::nullopt;
    }
    platform_.write_console("Logged on.\n");
    if (!work->measurement.call_ok()) {
      const Status failure = failure_status(work->measurement);
      platform_.write_console("The call of GET_LAN_SINGLE failed: " + library_reason(work->error) + "\n" +
                              trace_part(mark));
      fault("the call of GET_LAN_SINGLE on " + entries.destination + " failed, so the sensor reports \"" +
            failure.text() + "\"; the system's administrator must allow the user " + entries.user +
            " to call it, or mend what the library names");
      return std::nullopt;
    }
    return report_rows(*work);
  }

 private:
  // How long one system may take, as a run with these options allows it:
  // its deadline, within what is left of the whole run's bound, which holds
  // for every run with children. A run without them bounds nothing itself,
  // but PRTG ends it at its timeout, so the test takes PRTG's default one
  // for the whole test.
  struct Bound {
    std::uint64_t milliseconds;
    // Why it holds, after "Bound: N seconds, ".
    std::string reason;
    // What to change when it passes, after "check that the host is up and
    // reachable from this computer, ".
    std::string advice;
  };
  Bound bound_of_system(const Options& options) const {
    const std::uint64_t whole_seconds =
        options.uses_children() ? static_cast<std::uint64_t>(options.whole_run_seconds()) : kPrtgDefaultTimeout;
    const std::uint64_t whole = whole_seconds * 1000;
    const std::uint64_t spent = platform_.monotonic_ms() - started_ms_;
    const std::uint64_t left = whole > spent ? whole - spent : 0;
    if (!options.uses_children()) {
      return Bound{left,
                   ((left + 999) / 1000 == whole_seconds ? "PRTG's default timeout for a sensor"
                               : "what is left of PRTG's default timeout of " + std::to_string(whole_seconds) +
                                     " seconds for a sensor") +
                       "; the sensor itself is not bounded without ,DEADLINE= or ,PARALLEL=, and PRTG ends it "
                       "then without values",
                   "or bound the sensor with ,DEADLINE= so that it reports the system as too slow itself"};
    }
    if (options.deadline.value) {
      const std::uint64_t deadline = static_cast<std::uint64_t>(*options.deadline.value) * 1000;
      if (deadline <= left) return Bound{deadline, "the sensor's ,DEADLINE= for one system", "or raise ,DEADLINE="};
    }
    return Bound{left,
                 "what is left of the sensor's " + std::to_string(whole_seconds) +
                     " seconds for its whole run (,RUNTIME=)",
                 "or raise ,RUNTIME="};
  }

  // What to change after a refused logon. A stand-in without any systems
  // refuses every logon, whatever the profile holds; lines that check finds
  // at fault come before what the library names.
  std::string logon_advice(const std::string& profile_name, const SystemWork& work) {
    const RfcLibrary& library = session_->library;
    std::unique_ptr<Folder> working = platform_.open_folder("");
    if (library.stand_in && working && working->kind(kStandInLandscapeFile) == EntryKind::kMissing) {
      const std::string folder = working_directory_shown(platform_);
      const std::string loaded_from = library_folder(platform_, library);
      return profile_name + " is not at fault: the RFC library is Quillar's stand-in for trials, which reaches only "
             "the systems of " + std::string(kStandInLandscapeFile) + ", and " + folder + " holds none; put SAP's " +
             library_file(library) + " in its place" + (loaded_from.empty() ? "" : " (" + loaded_from + ")");
    }
    if (faulty_profiles_.count(profile_name) != 0) return "first mend the lines of " + profile_name + " named above";
    return "correct the logon in " + profile_name +
           (work.route.by_destination_file() ? " or the server in SapRfc." + work.entries.destination : "") +
           " by what the library names";
  }

  std::string trace_part(std::uint64_t mark) {
    std::string lines = new_trace_lines(platform_, mark);
    if (lines.empty()) return std::string(kTraceFileName) + " holds nothing new.\n";
    return "New in " + std::string(kTraceFileName) + " (left where it is):\n" + lines;
  }

  std::optional<std::array<std::uint32_t, 6>> report_rows(const SystemWork& work) {
    const std::vector<LanRow>& rows = work.rows;
    platform_.write_console("GET_LAN_SINGLE gave " + std::to_string(rows.size()) +
                            (rows.size() == 1 ? " interface" : " interfaces") + (rows.empty() ? ".\n" : ":\n") +
                            (rows.empty() ? "" : counters_table(rows)));
    if (rows.empty()) {
      fault(work.entries.destination + " reports no network interface, so every channel of the sensor shows 0");
      return std::nullopt;
    }
    const std::string filter = upper_case(work.interface_name);
    std::string selected;
    for (const LanRow& row : rows) {
      if (row_selected(row, filter)) selected += (selected.empty() ? "" : ", ") + row.name;
    }
    if (selected.empty()) {
      platform_.write_console("LAN=" + work.interface_name + " selects no row.\n");
      fault("LAN=" + work.interface_name + " matches none of: " + interface_names(rows) +
            "; the sensor would report 0 in every channel");
      return std::nullopt;
    }
    platform_.write_console(filter.empty() ? "Without LAN= every row is added up.\n"
                                           : "LAN=" + work.interface_name + " selects: " + selected + ".\n");
    return work.measurement.totals;
  }

  Platform& platform_;
  std::shared_ptr<LibrarySession> session_;
  std::uint64_t started_ms_;
  int faults_ = 0;
  bool gave_up_ = false;
  // The system profiles whose lines check finds at fault.
  std::set<std::string> faulty_profiles_;
};

int test_single_system(Platform& platform, RunSettings& settings) {
  LogonTest test(platform);
  const SystemProfileFindings found =
      examine_system_profile(*settings.profile_stream, settings.profile_name, ProfileUse::kSingleSystem);
  settings.profile_stream.reset();
  test.tell_profile_findings(settings.profile_name, found);
  if (!found.read.is_ok()) {
    say(platform, "the sensor stops with \"" + found.read.text() + "\"" +
                      (found.fault_place.empty() ? "; quillar-profile check tells the line at fault"
                                                 : ": " + settings.profile_name + ", " + found.fault_place));
    return kToolRefused;
  }
  if (!test.open_library()) return kToolRefused;
  const Options& options = settings.options;
  test.tell_log_file(options);
  const LogonEntries& entries = found.entries;
  if (std::optional<std::array<std::uint32_t, 6>> totals = test.test_system(settings.profile_name, entries, options)) {
    platform.write_console("The sensor reports: " + usage_message(entries.destination, options.interface_name, *totals) +
                           "\n");
  }
  return test.exit_code();
}

int test_global_run(Platform& platform, RunSettings& settings) {
  settings.profile_stream.reset();
  GlobalAllocation allocation;
  Options options;
  Status read = read_global_allocation(platform, settings, allocation);
  if (read.is_ok()) read = settle_global_options(settings, allocation, options);
  if (!read.is_ok()) {
    say(platform, "the sensor stops with \"" + read.text() + "\"; quillar-profile check tells more");
    return kToolRefused;
  }
  LogonTest test(platform);
  if (!test.open_library()) return kToolRefused;
  test.tell_log_file(options);
  const std::string_view keyword = settings.item_form_options ? kItemKeyword : kSensorLineItemKeyword;
  platform.write_console("Item: " + allocation.item + "\nSystems: " + listed_names(allocation.server_listing) +
                         "\n");
  const std::optional<std::size_t> channel = channel_of_item(allocation.item);
  if (std::optional<std::string> problem = item_problem(allocation.item, keyword)) test.fault(*problem);

  for (const std::string& name : allocation.server_listing) {
    platform.write_console("\nSystem " + name + ":\n");
    if (test.gave_up()) {
      platform.write_console("Not tried: an earlier system did not answer.\n");
      continue;
    }
    std::unique_ptr<ReadableFile> profile =
        name.size() > kProfileNameRoom ? nullptr : platform.open_text(settings.sensor_dir + name);
    if (!profile) {
      test.fault(name + " does not open (" + platform.full_path(settings.sensor_dir + name) +
                 "), and the run counts it among the systems only; write it with quillar-profile create");
      continue;
    }
    const SystemProfileFindings found = examine_system_profile(*profile, name, ProfileUse::kGlobalRun);
    profile.reset();
    test.tell_profile_findings(name, found);
    if (!found.read.is_ok()) {
      test.fault(name + ": \"" + found.read.text() + "\", so the run counts it as failed; " +
                 (found.fault_place.empty() ? "quillar-profile check " + settings.sensor_dir + name +
                                                  " tells the line at fault"
                                            : found.fault_place));
      continue;
    }
    const LogonEntries& entries = found.entries;
    std::optional<std::array<std::uint32_t, 6>> totals = test.test_system(name, entries, options);
    if (totals && channel) {
      platform.write_console("The sensor reports: " +
                             channel_name_for(allocation.channel_naming, name, entries) + " " +
                             std::to_string((*totals)[*channel]) + "\n");
    }
  }
  return test.exit_code();
}

}  // namespace

int test_logon(Platform& platform, const std::vector<std::string>& arguments) {
  RunSettings settings;
  Status started = read_command_line(arguments, settings);
  if (!started.is_ok()) {
    say(platform, "the sensor stops with \"" + started.text() + "\"");
    return kToolRefused;
  }
  const ProfileLookup lookup = look_up_profile(platform, settings);
  for (const std::string& fault : lookup.override_faults) say(platform, "warning: " + fault);
  if (!lookup.status.is_ok()) {
    say(platform, "the sensor stops with \"" + lookup.status.text() + "\"; quillar-profile locate tells where it looks");
    for (const std::string& advice : lookup.advice) say(platform, advice);
    return kToolRefused;
  }
  for (const std::string& advice : lookup.advice) say(platform, "warning: " + advice);
  platform.write_console("Profile: " + platform.full_path(settings.profile_path) + "\n");
  return settings.global_run ? test_global_run(platform, settings) : test_single_system(platform, settings);
}

}  // namespace quillar
