#include "tool/profile_inspection.h"

#include <map>

#include "tool/global_profile_review.h"
#include "tool/option_review.h"
#include "driver/run_settings.h"
#include "driver/startup.h"
#include "base/errors.h"
#include "base/texts.h"
#include "output/result_document.h"
#include "platform/line_reader.h"
#include "profiles/global_profile.h"
#include "profiles/password.h"
#include "profiles/sensor_directory.h"
#include "profiles/system_profile.h"

namespace quillar {
namespace {

constexpr int kDone = 0;
constexpr int kRefused = 2;

void say(Platform& platform, const std::string& text) { platform.write_error_console("quillar-profile: " + text + "\n"); }

std::string file_name_of(const std::string& path) {
  std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

struct LabelledLine {
  std::size_t number = 0;
  std::string value;
};

// The profile as the single-system run reads it: the last line of each
// label, and what the sensor reads otherwise than a person sees it.
struct ProfileReading {
  std::map<std::string, LabelledLine> lines;
  std::vector<std::string> warnings;
};

ProfileReading read_lines(ReadableFile& file) {
  ProfileReading reading;
  LineReader reader(file, kSystemRunLineRoom);
  if (reader.saved_as_utf16_without_mark()) {
    reading.warnings.push_back(
        "the file is saved as UTF-16 without a byte order mark (its first line holds zero bytes), which the sensor "
        "cannot read; save it in Notepad with the encoding ANSI or UTF-8");
  }
  if (reader.skipped_byte_order_mark()) {
    reading.warnings.push_back("the file starts with a UTF-8 byte order mark, which the sensor skips");
  }
  if (reader.saved_as_utf16()) {
    reading.warnings.push_back("the file is saved as UTF-16, which the sensor cannot read");
    return reading;
  }
  std::string line;
  for (std::size_t number = 1; reader.next_line(line); ++number) {
    const std::string at = "line " + std::to_string(number);
    if (line.find('\t') != std::string::npos) {
      reading.warnings.push_back(at + " holds a tab, which the sensor reads as part of the line");
    }
    if (!line.empty() && line.back() == ' ') {
      reading.warnings.push_back(at + " ends in a blank, which the sensor reads as part of the value");
    }
    std::string value = line.size() >= kValueColumn ? line.substr(kValueColumn - 1, kValueRoom) : "";
    reading.lines[line.substr(0, 12)] = LabelledLine{number, value};
  }
  return reading;
}

std::string at_line(const LabelledLine& line, std::string_view label) {
  return "line " + std::to_string(line.number) + ", " + std::string(label) + " ";
}

// Where a fault of the sensor's reader lies, in words.
std::string fault_place(Fault fault, const std::map<std::string, LabelledLine>& lines) {
  auto line_of = [&](std::string_view label) -> const LabelledLine* {
    auto found = lines.find(std::string(label));
    return found == lines.end() ? nullptr : &found->second;
  };
  if (fault == Fault::kUserMissing) return "no User.......: line (labels are case-sensitive)";
  if (fault == Fault::kSavedAsUtf16) return "save the file in Notepad with the encoding ANSI or UTF-8";
  const LabelledLine* password = line_of("Password...:");
  if (fault == Fault::kPasswordMissing) {
    return password == nullptr ? "no Password...: line" : at_line(*password, "Password...:") + "is empty";
  }
  if (fault == Fault::kInvalidPassword && password != nullptr) {
    if (password->value.size() != 24) {
      return at_line(*password, "Password...:") + std::to_string(password->value.size()) +
             " characters, the value must have 24";
    }
    return at_line(*password, "Password...:") + "is no scrambled password; write it anew with quillar-profile passwd";
  }
  if (fault == Fault::kWrongPassword && password != nullptr) {
    return at_line(*password, "Password...:") + "fails its check digit; write it anew with quillar-profile passwd";
  }
  for (const ProfileLabel& label : kProfileLabels) {
    const LabelledLine* line = line_of(label.label);
    std::size_t size = line != nullptr ? line->value.size() : 0;
    if (fault == Fault::kInvalidParameters && size < label.shortest) {
      if (line == nullptr) return "no " + std::string(label.label) + " line (labels are case-sensitive)";
      return at_line(*line, label.label) + std::to_string(size) + " characters, the value must have at least " +
             std::to_string(label.shortest);
    }
    if (fault == Fault::kTooLongParameters && line != nullptr && size > label.room) {
      return at_line(*line, label.label) + std::to_string(size) + " characters, at most " + std::to_string(label.room);
    }
  }
  return "";
}

int check_system_profile(Platform& platform, const std::string& path) {
  std::unique_ptr<ReadableFile> file = platform.open_text(path);
  if (!file) {
    say(platform, "cannot open " + platform.full_path(path) + ": " + platform.failure_reason());
    return kRefused;
  }
  const ProfileReading reading = read_lines(*file);
  for (const std::string& warning : reading.warnings) say(platform, "warning: " + warning);

  file = platform.open_text(path);
  if (!file) {
    say(platform, "cannot open " + platform.full_path(path));
    return kRefused;
  }
  LogonEntries entries;
  Status read = read_system_profile(*file, file_name_of(path), ProfileUse::kSingleSystem, OffsetTable(), entries);
  file.reset();
  if (!read.is_ok()) {
    say(platform, read.text());
    std::string place = fault_place(read.fault(), reading.lines);
    if (!place.empty()) say(platform, place);
    return kRefused;
  }
  std::string shown;
  for (const ProfileLabel& label : kProfileLabels) {
    const std::string& value = entries.*label.entry;
    shown += std::string(label.label) + " " + (label.entry == &LogonEntries::password ? std::string(8, '*') : value) +
             "\n";
  }
  platform.write_console(shown);
  return kDone;
}

void describe_override(Platform& platform, const SearchTrail& trail) {
  if (!trail.override_file) {
    platform.write_console(std::string(kPathOverrideFile) +
                           " does not exist: the working directory, then the PRTG folders under \\Programme, "
                           "\\Program Files and \\Program Files (x86) of the current drive are tried.\n");
  } else if (trail.override_line.empty()) {
    platform.write_console(std::string(kPathOverrideFile) +
                           " exists, but none of its lines names a folder: the root of the current drive is the "
                           "base.\n");
  } else {
    platform.write_console(std::string(kPathOverrideFile) + " exists; its line \"" + trail.override_line +
                           "\" names the base folder.\n");
  }
}

// Where the sensor's search ended.
struct SearchOutcome {
  bool found = false;
  std::string folder;
};

// Tells how the sensor with these settings would find its profile.
SearchOutcome describe_search(Platform& platform, const RunSettings& settings) {
  SearchOutcome outcome;
  if (mode_row(settings.mode).profile_search != ProfileSearch::kPrtgFolder || settings.options.open_as_named) {
    const std::string path = settings.sensor_dir + settings.profile_name;
    platform.write_console("Mode " + std::string(mode_row(settings.mode).keyword) + (settings.options.open_as_named ? " with @" : "") +
                           ": the profile is opened where the command line names it, " + platform.full_path(path) +
                           ".\n");
    if (platform.open_text(path)) {
      platform.write_console("Found: the sensor reads it.\n");
      outcome.found = true;
      outcome.folder = settings.sensor_dir;
    } else {
      platform.write_console("Not found: the sensor stops with \"" + error_text(Fault::kProfileMissing, {path}) +
                             "\".\n");
    }
    return outcome;
  }

  platform.write_console("Mode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n");
  SearchTrail trail;
  SensorDirectory found;
  Status search = find_sensor_directory(platform, settings.profile_name, found, &trail);
  found.profile.reset();
  describe_override(platform, trail);
  for (const std::string& path : trail.paths_tried) platform.write_console("Tried: " + platform.full_path(path) + "\n");
  if (search.is_ok()) {
    platform.write_console("Found in " + platform.full_path(found.folder) + ": the sensor reads it.\n");
    outcome.found = true;
    outcome.folder = found.folder;
  } else if (search.fault() == Fault::kInvalidPathUsage && found.folder.empty()) {
    platform.write_console("Found in the working directory, as " + platform.full_path(settings.profile_name) +
                           ": the sensor refuses a profile found in its working directory, whatever the folder is "
                           "named, and stops with \"" + search.text() + "\". PRTG starts the sensor in a folder of "
                           "its own: run the sensor once from PRTG with " + std::string(kSyslogKeyword) +
                           " and look for Quillar.log to see which; name PRTG's Custom Sensors\\ExeXml folder in " +
                           kPathOverrideFile +
                           ", and the search no longer depends on the working directory.\n");
  } else if (search.fault() == Fault::kInvalidPathUsage) {
    platform.write_console("Found in " + platform.full_path(found.folder) + ", which is no ExeXml folder: the "
                           "sensor stops with \"" + search.text() + "\". Put the profile into PRTG's Custom "
                           "Sensors\\ExeXml folder, or name that folder in " + kPathOverrideFile + ".\n");
  } else {
    platform.write_console("The sensor stops with \"" + search.text() +
                           "\": the profile is in none of the places tried.\n");
  }
  return outcome;
}

bool names_a_global_profile(const std::string& profile_name) {
  const std::string name = upper_case(profile_name);
  return name == upper_case(kGlobalProfileName) || name == upper_case(kItemProfileName);
}

}  // namespace

int check_profile(Platform& platform, const std::vector<std::string>& arguments) {
  RunSettings settings;
  Status started = read_command_line(arguments, settings);
  if (!started.is_ok()) {
    say(platform, started.text());
    return kRefused;
  }
  // A name with a folder is opened there; a bare name is searched for as
  // the sensor searches it.
  bool wrong_place = false;
  const bool searched = settings.sensor_dir.empty() && mode_row(settings.mode).profile_search == ProfileSearch::kPrtgFolder &&
                        !settings.options.open_as_named;
  if (searched) {
    SensorDirectory found;
    Status search = find_sensor_directory(platform, settings.profile_name, found);
    found.profile.reset();
    const std::string where = platform.full_path(found.folder + settings.profile_name);
    if (search.fault() == Fault::kInvalidPathUsage && found.folder.empty()) {
      say(platform, "warning: " + where + " lies in the working directory, where the sensor refuses it (\"" +
                        search.text() + "\") whatever the folder is named; quillar-profile locate " +
                        arguments[0] + " tells more");
    } else if (search.fault() == Fault::kInvalidPathUsage) {
      say(platform, where + " lies in no ExeXml folder, and the sensor stops with \"" + search.text() +
                        "\"; quillar-profile locate " + arguments[0] + " tells more");
      wrong_place = true;
    } else if (!search.is_ok()) {
      say(platform, "the sensor stops with \"" + search.text() + "\"; quillar-profile locate " + arguments[0] +
                        " shows the places tried");
      return kRefused;
    }
    settings.sensor_dir = found.folder;
  }
  const std::string path = settings.sensor_dir + settings.profile_name;
  int code = settings.global_run || names_a_global_profile(settings.profile_name)
                 ? review_global_profile(platform, settings, path)
                 : check_system_profile(platform, path);
  return wrong_place ? kRefused : code;
}

int locate_profile_for(Platform& platform, const std::vector<std::string>& arguments) {
  RunSettings settings;
  Status started = read_command_line(arguments, settings);
  if (!started.is_ok()) {
    platform.write_console("The sensor stops before it looks: " + started.text() + "\n");
    return kRefused;
  }
  platform.write_console("Profile: " + settings.profile_name + "\n");
  return describe_search(platform, settings).found ? kDone : kRefused;
}

namespace {

void print_lines(Platform& platform, const std::string& head, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) platform.write_console(head + line + "\n");
}

// What the sensor line of the GLOBAL form, or the item profile, gives the run.
bool explain_allocation(Platform& platform, const RunSettings& settings, const std::string& folder) {
  const std::string path = folder + settings.profile_name;
  GlobalAllocation allocation;
  const bool item_form = settings.profile_name == kItemProfileName;
  Status read = item_form ? read_item_profile(platform, path, settings.options.item.value_or(""), allocation)
                          : read_global_profile(platform, path, settings.options.sensor_key, settings.sensor_argument,
                                                read_sensor_line, allocation);
  if (!read.is_ok()) {
    platform.write_console("The sensor stops with \"" + read.text() + "\".\n");
    return false;
  }
  bool clean = true;
  if (!item_form) {
    platform.write_console("Options of the run, from the sensor line of " + settings.options.sensor_key + ": " +
                           (allocation.sensor_options.empty() ? "none" : allocation.sensor_options) + "\n");
    // The console trace, "@" and the mode stay as the command line set them.
    Options run_options = read_global_run_options(allocation.sensor_options);
    run_options.mode.reset();
    run_options.item.reset();
    run_options.trace = false;
    run_options.open_as_named = false;
    print_lines(platform, "  ", describe_options(run_options, settings.mode));
    std::vector<std::string> notes = unread_options(allocation.sensor_options, OptionPlace::kSensorLine);
    print_lines(platform, "Not read: ", notes);
    clean = notes.empty();
    if (Status limits = check_run_limits(run_options); !limits.is_ok()) {
      platform.write_console("The sensor stops with \"" + limits.text() + "\".\n");
      return false;
    }
  }
  platform.write_console("Item: " + allocation.item + "\nSystems: " + listed_names(allocation.server_listing) + "\n");
  if (std::optional<std::string> problem = item_problem(allocation.item, item_form ? kItemKeyword : kSensorLineItemKeyword)) {
    platform.write_console("Not read: " + *problem + "\n");
    clean = false;
  }
  return clean;
}

}  // namespace

int explain_parameters(Platform& platform, std::string_view parameters) {
  const std::vector<std::string> arguments = split_parameters(parameters);
  platform.write_console("Arguments as the sensor gets them:\n");
  const char* const kRoles[] = {"the profile", "the options", "joined to the options with a blank"};
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    platform.write_console("  " + std::to_string(k + 1) + ": " + arguments[k] + " (" +
                           (k < 3 ? kRoles[k] : "not read, the sensor reads three arguments at most") + ")\n");
  }
  if (arguments.empty()) platform.write_console("  none\n");
  bool clean = arguments.size() <= 3;

  RunSettings settings;
  Status started = read_command_line(arguments, settings);
  if (!started.is_ok()) {
    platform.write_console("The sensor stops before it looks: " + started.text() + "\n");
    return kRefused;
  }
  const bool global_form = settings.profile_name == kGlobalProfileName && settings.global_run;
  const bool item_form = settings.profile_name == kItemProfileName && settings.global_run;
  std::string form;
  if (global_form) form = ", the GLOBAL form for the sensor key " + settings.options.sensor_key;
  if (item_form) form = ", the ITEM form: a global run over the systems it lists";
  platform.write_console("Profile: " + settings.profile_name + form + "\n");
  platform.write_console("Options: " + (settings.options.typed.empty() ? std::string("none") : settings.options.typed) +
                         "\n");
  Options shown = item_form && settings.item_form_options ? *settings.item_form_options : settings.options;
  shown.trace = settings.options.trace;
  shown.open_as_named = settings.options.open_as_named;
  if (global_form) {
    // Only the key, the mode and the trace of these options are read.
    Options read;
    read.mode = shown.mode;
    read.trace = shown.trace;
    read.open_as_named = shown.open_as_named;
    shown = read;
  }
  print_lines(platform, "  ", describe_options(shown, settings.mode));
  std::vector<std::string> notes =
      unread_options(settings.options.typed, global_form ? OptionPlace::kGlobalCommandLine : OptionPlace::kCommandLine);
  if (item_form && !arguments.empty() && upper_case(with_default_extension(arguments[0])) != "ORVANTA.PRF") {
    notes.push_back("the first argument, " + arguments[0] + ", is not read: " + std::string(kItemKeyword) +
                    " makes the run a global run over Orvanta.Prf");
  }
  print_lines(platform, "Not read: ", notes);
  clean = clean && notes.empty();

  SearchOutcome outcome = describe_search(platform, settings);
  if (!outcome.found) return kRefused;
  if (global_form || item_form) clean = explain_allocation(platform, settings, outcome.folder) && clean;
  return clean ? kDone : kRefused;
}

}  // namespace quillar
