#include "tool/profile_check.h"

#include <map>
#include <optional>

#include "base/errors.h"
#include "base/texts.h"
#include "driver/startup.h"
#include "profiles/global_profile.h"
#include "profiles/sensor_directory.h"
#include "profiles/system_profile.h"
#include "tool/global_profile_review.h"
#include "tool/tool_output.h"

namespace quillar {
namespace {

// The last line of a label that the reader took, which set its entry.
struct LabelledLine {
  std::size_t number = 0;
  std::string value;
};
using TakenLabels = std::map<std::string_view, LabelledLine>;

TakenLabels taken_labels(const ReadReport& report) {
  TakenLabels taken;
  for (const ReportedLine& line : report.lines) {
    if (!line.taken()) continue;
    if (const ProfileLabel* label = label_of(line.text)) {
      taken[label->label] = LabelledLine{line.number, std::string(value_of(line.text))};
    }
  }
  return taken;
}

// What the sensor reads otherwise than a person sees it.
std::vector<std::string> reading_warnings(const ReadReport& report) {
  std::vector<std::string> warnings;
  if (report.saved_as_utf16_without_mark) {
    warnings.push_back(
        "the file is saved as UTF-16 without a byte order mark (its first line holds zero bytes), which the sensor "
        "cannot read; save it in Notepad with the encoding ANSI or UTF-8");
  }
  if (report.skipped_byte_order_mark) {
    warnings.push_back("the file starts with a UTF-8 byte order mark, which the sensor skips");
  }
  if (report.saved_as_utf16) warnings.push_back("the file is saved as UTF-16, which the sensor cannot read");
  std::size_t tab_told = 0;
  for (const ReportedLine& line : report.lines) {
    const std::string at = "line " + std::to_string(line.number);
    if (line.text.find('\t') != std::string::npos && tab_told != line.number) {
      warnings.push_back(at + " holds a tab, which the sensor reads as part of the line");
      tab_told = line.number;
    }
    if (!line.goes_on && !line.text.empty() && line.text.back() == ' ') {
      warnings.push_back(at + " ends in a blank, which the sensor reads as part of the value");
    }
  }
  return warnings;
}

std::string at_line(const LabelledLine& line, std::string_view label) {
  return "line " + std::to_string(line.number) + ", " + std::string(label) + " ";
}

std::string password_fault_place(Fault fault, const LabelledLine* password) {
  constexpr std::string_view kLabel = "Password...:";
  if (fault == Fault::kPasswordMissing) {
    return password == nullptr ? "no Password...: line" : at_line(*password, kLabel) + "is empty";
  }
  if (password == nullptr) return "";
  if (fault == Fault::kInvalidPassword && password->value.size() != kScrambledLength) {
    return at_line(*password, kLabel) + std::to_string(password->value.size()) + " characters, the value must have " +
           std::to_string(kScrambledLength);
  }
  if (fault == Fault::kInvalidPassword) {
    return at_line(*password, kLabel) + "is no scrambled password; write it anew with quillar-profile passwd";
  }
  return at_line(*password, kLabel) + "fails its check digit; write it anew with quillar-profile passwd";
}

// Where a fault of the sensor's reader lies, in words.
std::string fault_place(Fault fault, const TakenLabels& taken) {
  auto line_of = [&](std::string_view label) -> const LabelledLine* {
    auto found = taken.find(label);
    return found == taken.end() ? nullptr : &found->second;
  };
  if (fault == Fault::kUserMissing) return "no User.......: line (labels are case-sensitive)";
  if (fault == Fault::kSavedAsUtf16) return "save the file in Notepad with the encoding ANSI or UTF-8";
  if (fault == Fault::kPasswordMissing || fault == Fault::kInvalidPassword || fault == Fault::kWrongPassword) {
    return password_fault_place(fault, line_of("Password...:"));
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
    return kToolRefused;
  }
  LogonEntries entries;
  ReadReport report;
  Status read =
      read_system_profile(*file, file_name_of(path), ProfileUse::kSingleSystem, OffsetTable(), entries, &report);
  file.reset();
  for (const std::string& warning : reading_warnings(report)) say(platform, "warning: " + warning);
  if (!read.is_ok()) {
    say(platform, read.text());
    std::string place = fault_place(read.fault(), taken_labels(report));
    if (!place.empty()) say(platform, place);
    return kToolRefused;
  }
  std::string shown;
  for (const ProfileLabel& label : kProfileLabels) {
    const std::string& value = entries.*label.entry;
    shown += std::string(label.label) + " " + (label.entry == &LogonEntries::password ? std::string(8, '*') : value) +
             "\n";
  }
  platform.write_console(shown);
  return kToolDone;
}

enum class Placement { kAccepted, kRefusedThere, kNotFound };

// Finds the profile as the sensor does and sets settings.sensor_dir to its
// folder; tells on standard error where the sensor would refuse it, and
// that it does not read a folder typed with the name when it searches
// elsewhere.
Placement find_as_the_sensor(Platform& platform, RunSettings& settings, const std::string& typed_name) {
  if (!searches_sensor_directory(settings)) return Placement::kAccepted;
  SensorDirectory found;
  Status search = find_sensor_directory(platform, settings.profile_name, found);
  found.profile.reset();
  if (!settings.sensor_dir.empty() && upper_case(settings.sensor_dir) != upper_case(found.folder)) {
    say(platform, "warning: in the mode EXEXML the sensor does not read the folder " + settings.sensor_dir +
                      " of " + typed_name + ": it searches PRTG's Custom Sensors\\ExeXml folder for " +
                      settings.profile_name);
  }
  settings.sensor_dir = found.folder;
  const std::string where = platform.full_path(found.folder + settings.profile_name);
  if (search.is_ok()) return Placement::kAccepted;
  if (search.fault() == Fault::kInvalidPathUsage && found.folder.empty()) {
    say(platform, "warning: " + where + " lies in the working directory, where the sensor refuses it (\"" +
                      search.text() + "\") whatever the folder is named; quillar-profile locate " + typed_name +
                      " tells more");
    return Placement::kAccepted;
  }
  if (search.fault() == Fault::kInvalidPathUsage) {
    say(platform, where + " lies in no ExeXml folder, and the sensor stops with \"" + search.text() +
                      "\"; quillar-profile locate " + typed_name + " tells more");
    return Placement::kRefusedThere;
  }
  say(platform, "the sensor stops with \"" + search.text() + "\"; quillar-profile locate " + typed_name +
                    " shows the places tried");
  return Placement::kNotFound;
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
    return kToolRefused;
  }
  const Placement placement = find_as_the_sensor(platform, settings, arguments[0]);
  if (placement == Placement::kNotFound) return kToolRefused;
  const std::string path = settings.sensor_dir + settings.profile_name;
  int code = settings.global_run || names_a_global_profile(settings.profile_name)
                 ? review_global_profile(platform, settings, path)
                 : check_system_profile(platform, path);
  return placement == Placement::kRefusedThere ? kToolRefused : code;
}

}  // namespace quillar
