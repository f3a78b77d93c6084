#include "driver/profile_inspection.h"

#include <map>

#include "driver/run_settings.h"
#include "driver/startup.h"
#include "output/result_document.h"
#include "platform/line_reader.h"
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
std::string fault_place(const std::string& error, const std::map<std::string, LabelledLine>& lines) {
  auto line_of = [&](std::string_view label) -> const LabelledLine* {
    auto found = lines.find(std::string(label));
    return found == lines.end() ? nullptr : &found->second;
  };
  const std::string number = error.substr(6, 4);
  if (number == "1006") return "no User.......: line (labels are case-sensitive)";
  if (number == "1009") return "save the file in Notepad with the encoding ANSI or UTF-8";
  const LabelledLine* password = line_of("Password...:");
  if (number == "1007") return password == nullptr ? "no Password...: line" : at_line(*password, "Password...:") + "is empty";
  if (number == "1004" && password != nullptr) {
    if (password->value.size() != 24) {
      return at_line(*password, "Password...:") + std::to_string(password->value.size()) +
             " characters, the value must have 24";
    }
    return at_line(*password, "Password...:") + "is no scrambled password; write it anew with quillar-profile passwd";
  }
  if (number == "1005" && password != nullptr) {
    return at_line(*password, "Password...:") + "fails its check digit; write it anew with quillar-profile passwd";
  }
  for (const ProfileLabel& label : kProfileLabels) {
    const LabelledLine* line = line_of(label.label);
    std::size_t size = line != nullptr ? line->value.size() : 0;
    if (number == "1003" && size < label.shortest) {
      if (line == nullptr) return "no " + std::string(label.label) + " line (labels are case-sensitive)";
      return at_line(*line, label.label) + std::to_string(size) + " characters, the value must have at least " +
             std::to_string(label.shortest);
    }
    if (number == "1008" && line != nullptr && size > label.room) {
      return at_line(*line, label.label) + std::to_string(size) + " characters, at most " + std::to_string(label.room);
    }
  }
  return "";
}

}  // namespace

int check_profile(Platform& platform, const std::string& path) {
  std::unique_ptr<ReadableFile> file = platform.open_text(path);
  if (!file) {
    say(platform, "cannot open " + platform.full_path(path) + ": " + platform.failure_reason());
    return kRefused;
  }
  const ProfileReading reading = read_lines(*file);
  for (const std::string& warning : reading.warnings) say(platform, "warning: " + warning);

  file = platform.open_text(path);
  LogonEntries entries;
  Status read = file ? read_system_profile(*file, file_name_of(path), false, OffsetTable(), entries)
                     : Status::Error("cannot open " + platform.full_path(path));
  file.reset();
  if (!read.is_ok()) {
    say(platform, read.text());
    std::string place = fault_place(read.text(), reading.lines);
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

namespace {

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

}  // namespace

int locate_profile_for(Platform& platform, const std::vector<std::string>& arguments) {
  RunSettings settings;
  Status started = read_command_line(arguments, settings);
  if (!started.is_ok()) {
    platform.write_console("The sensor stops before it looks: " + started.text() + "\n");
    return kRefused;
  }
  platform.write_console("Profile: " + settings.profile_name + "\n");
  if (settings.mode_keyword != kModeExeXml || settings.options.open_as_named) {
    const std::string path = settings.sensor_dir + settings.profile_name;
    platform.write_console("Mode " + settings.mode_keyword + (settings.options.open_as_named ? " with @" : "") +
                           ": the profile is opened where the command line names it, " + platform.full_path(path) +
                           ".\n");
    if (platform.open_text(path)) {
      platform.write_console("Found: the sensor reads it.\n");
      return kDone;
    }
    platform.write_console("Not found: the sensor stops with \"Error 1002: Profile " + path + " is missing...\".\n");
    return kRefused;
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
    return kDone;
  }
  if (search.text().rfind("Sorry", 0) == 0) {
    const std::string where = found.folder.empty() ? "the working directory" : platform.full_path(found.folder);
    platform.write_console("Found in " + where + ", which is no ExeXml folder: the sensor stops with \"" +
                           search.text() + "\". Put the profile into PRTG's Custom Sensors\\ExeXml folder, or name "
                           "that folder in " + kPathOverrideFile + ".\n");
    return kRefused;
  }
  platform.write_console("The sensor stops with \"" + search.text() + "\": the profile is in none of the places tried.\n");
  return kRefused;
}

}  // namespace quillar
