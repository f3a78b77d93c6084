#include "tool/profile_check.h"

#include <map>
#include <optional>

#include "base/errors.h"
#include "base/texts.h"
#include "driver/startup.h"
#include "profiles/global_profile.h"
#include "profiles/system_profile.h"
#include "tool/global_profile_review.h"
#include "tool/profile_lookup.h"
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

// Whether the logon hands the entry on as text, so that a blank at either
// end reaches the RFC library as part of the value (the mode is compared as
// text: "R/2 " logs on as R/3). The system number is read as a number,
// which blanks around it leave alone; the external company is used for
// nothing but its length. The password is handed on as the administrator
// typed it, and its stored form may well end in a blank.
bool logon_uses_as_text(const ProfileLabel& label) {
  return label.entry != &LogonEntries::sysnr && label.entry != &LogonEntries::extcompany &&
         label.entry != &LogonEntries::password;
}

bool has_blank_at_an_end(const std::string& value) {
  return !value.empty() && (value.front() == ' ' || value.back() == ' ');
}

// The taken lines whose value the logon would hand on with a blank at an
// end, each with what to write instead.
std::vector<std::string> blank_end_faults(const TakenLabels& taken) {
  std::vector<std::string> faults;
  for (const ProfileLabel& label : kProfileLabels) {
    auto line = taken.find(label.label);
    if (line == taken.end() || !logon_uses_as_text(label) || !has_blank_at_an_end(line->second.value)) continue;
    const std::string& value = line->second.value;
    const std::string meant(without_blanks_at_ends(value));
    faults.push_back("line " + std::to_string(line->second.number) + ", " + std::string(label.label) + " \"" + value +
                     "\" " + (value.front() == ' ' ? "begins" : "ends") +
                     " with a blank, which the logon sends as part of the value; write: " + std::string(label.label) +
                     " " + meant);
  }
  return faults;
}

// Whether the line sets the entry of its label (it is the last taken line
// of that label).
const LabelledLine* entry_set_by(const ReportedLine& line, const TakenLabels& taken) {
  const ProfileLabel* label = line.taken() ? label_of(line.text) : nullptr;
  if (label == nullptr) return nullptr;
  auto set = taken.find(label->label);
  return set != taken.end() && set->second.number == line.number ? &set->second : nullptr;
}

// Whether a blank at the end of the line is told otherwise, or is none of
// the administrator's doing: a value that blank_end_faults reports, or the
// stored form of a good password, which may end in a blank.
bool blank_end_explained(const ReportedLine& line, const TakenLabels& taken) {
  const LabelledLine* set = entry_set_by(line, taken);
  if (set == nullptr) return false;
  const ProfileLabel& label = *label_of(line.text);
  if (label.entry == &LogonEntries::password) {
    return descramble_password(OffsetTable(), set->value).fault == PasswordFault::kNone;
  }
  return logon_uses_as_text(label) && has_blank_at_an_end(set->value);
}

// What the sensor reads otherwise than a person sees it.
std::vector<std::string> reading_warnings(const ReadReport& report, const TakenLabels& taken) {
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
    if (!line.goes_on && !line.text.empty() && line.text.back() == ' ' && !blank_end_explained(line, taken)) {
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


bool names_a_global_profile(const std::string& profile_name) {
  const std::string name = upper_case(profile_name);
  return name == upper_case(kGlobalProfileName) || name == upper_case(kItemProfileName);
}

// Reads the system profile `file` as the sensor does and tells what it
// holds. Gives the exit code.
int check_system_profile(Platform& platform, ReadableFile& file, const std::string& name) {
  const SystemProfileFindings found = examine_system_profile(file, name, ProfileUse::kSingleSystem);
  for (const std::string& warning : found.warnings) say(platform, "warning: " + warning);
  for (const std::string& fault : found.blank_faults) say(platform, fault);
  if (!found.read.is_ok()) {
    say(platform, found.read.text());
    if (!found.fault_place.empty()) say(platform, found.fault_place);
    return kToolRefused;
  }
  std::string shown;
  for (const ProfileLabel& label : kProfileLabels) {
    const std::string& value = found.entries.*label.entry;
    shown += std::string(label.label) + " " + (label.entry == &LogonEntries::password ? std::string(8, '*') : value) +
             "\n";
  }
  platform.write_console(shown);
  return found.blank_faults.empty() ? kToolDone : kToolRefused;
}

// Checks the profile at `path`, open as `file` when the lookup opened it:
// a global profile with its review, a system profile with the sensor's
// reader. Gives the exit code.
int check_found_profile(Platform& platform, const RunSettings& settings, const std::string& path,
                        std::unique_ptr<ReadableFile> file) {
  if (settings.global_run || names_a_global_profile(settings.profile_name)) {
    file.reset();
    return review_global_profile(platform, settings, path);
  }
  if (!file) file = platform.open_text(path);
  if (!file) {
    say(platform, "cannot open " + platform.full_path(path) + ": " + platform.failure_reason());
    return kToolRefused;
  }
  return check_system_profile(platform, *file, file_name_of(path));
}

}  // namespace

SystemProfileFindings examine_system_profile(ReadableFile& file, const std::string& name, ProfileUse use) {
  SystemProfileFindings found;
  ReadReport report;
  found.read = read_system_profile(file, name, use, OffsetTable(), found.entries, &report);
  const TakenLabels taken = taken_labels(report);
  found.warnings = reading_warnings(report, taken);
  found.blank_faults = blank_end_faults(taken);
  if (!found.read.is_ok()) found.fault_place = fault_place(found.read.fault(), taken);
  return found;
}

int check_profile(Platform& platform, const std::vector<std::string>& arguments) {
  RunSettings settings;
  Status started = read_command_line(arguments, settings);
  if (!started.is_ok()) {
    say(platform, started.text());
    return kToolRefused;
  }
  ProfileLookup lookup = look_up_profile(platform, settings);
  for (const std::string& fault : lookup.override_faults) say(platform, "warning: " + fault);
  if (lookup.status.is_ok()) {
    for (const std::string& advice : lookup.advice) say(platform, "warning: " + advice);
    return check_found_profile(platform, settings, settings.profile_path, std::move(settings.profile_stream));
  }
  say(platform, "the sensor stops with \"" + lookup.status.text() + "\"");
  for (const std::string& advice : lookup.advice) say(platform, advice);
  if (lookup.searched) say(platform, "quillar-profile locate " + arguments[0] + " shows the places tried");
  if (!lookup.unread_path.empty()) {
    // What lies there, for the administrator who moves it; the exit code
    // stays the sensor's.
    say(platform, "what " + platform.full_path(lookup.unread_path) + " holds, which the sensor does not read:");
    settings.sensor_dir = lookup.unread_path.substr(0, lookup.unread_path.size() - settings.profile_name.size());
    check_found_profile(platform, settings, lookup.unread_path, nullptr);
  }
  return kToolRefused;
}

}  // namespace quillar
