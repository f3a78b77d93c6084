#include "tool/profile_lookup.h"

#include <string_view>

#include "base/errors.h"
#include "base/texts.h"
#include "driver/options.h"
#include "driver/startup.h"
#include "tool/tool_output.h"

namespace quillar {
namespace {

constexpr char kPutIntoExeXml[] =
    "put the profile into PRTG's Custom Sensors\\ExeXml folder, or name that folder in C:\\PRTG_Path.Txt";

// The folder that an override line was meant to name: without blanks at its
// ends and without the double quotes that Explorer's "Copy as path" adds.
std::string meant_folder(std::string_view line) {
  std::string_view meant = without_blanks_at_ends(line);
  if (!meant.empty() && meant.front() == '"') meant.remove_prefix(1);
  if (!meant.empty() && meant.back() == '"') meant.remove_suffix(1);
  return std::string(without_blanks_at_ends(meant));
}

std::string at_override_line(const ReportedLine& line) {
  return std::string(kPathOverrideFile) + ", line " + std::to_string(line.number);
}

// What to do about a line that names a folder with a character outside the
// ANSI code page: the sensor takes it in its UTF-8 bytes, which name no
// folder that Windows holds.
std::string beyond_code_page_fault(const ReportedLine& line) {
  return at_override_line(line) +
         " holds a character that the ANSI code page lacks: the sensor reads the file as UTF-8, but takes this "
         "line as it stands and finds no folder so named; name the folder with characters of the ANSI code page, "
         "or save the file in Notepad with the encoding ANSI";
}

// The override file's lines that name a folder only once their quotes or
// blanks are gone, or that hold what the sensor cannot convert. The sensor
// reads each as it stands: a line in quotes names no folder to it, blanks
// at the end become part of the folder.
std::vector<std::string> override_line_faults(const ReadReport& report) {
  std::vector<std::string> faults;
  std::size_t beyond_told = 0;
  for (const ReportedLine& line : report.lines) {
    if (line.beyond_code_page && line.taken() && beyond_told != line.number) {
      faults.push_back(beyond_code_page_fault(line));
      beyond_told = line.number;
    }
    if (line.goes_on) continue;
    const std::string meant = meant_folder(line.text);
    if (meant == line.text || !names_a_base_folder(meant)) continue;
    std::vector<std::string> what;
    const std::string_view inner = without_blanks_at_ends(line.text);
    if (inner.front() == '"' || inner.back() == '"') what.push_back("is in double quotes");
    if (line.text.front() == ' ') what.push_back("begins with a blank");
    if (line.text.back() == ' ') {
      const std::size_t blanks = line.text.size() - line.text.find_last_not_of(' ') - 1;
      what.push_back("ends in " + std::to_string(blanks) + (blanks == 1 ? " blank" : " blanks"));
    }
    std::string said;
    for (std::size_t k = 0; k < what.size(); ++k) said += (k == 0 ? "" : " and ") + what[k];
    faults.push_back(at_override_line(line) + " " + said + ": " +
                     (line.taken() ? "the sensor takes them as part of the folder"
                                   : "the sensor passes over the line, which names no folder so written") +
                     "; write instead: " + meant);
  }
  return faults;
}

// A file in `folder` whose name is the profile's name with an extension
// added ("PRD.P00.txt", as Notepad saves "PRD.P00"), the first by name when
// there are several; empty when there is none.
std::string name_with_added_extension(Platform& platform, const std::string& folder, const std::string& profile_name) {
  std::unique_ptr<Folder> listed = platform.open_folder(folder);
  if (!listed) return "";
  const std::string wanted = upper_case(profile_name) + ".";
  std::string found;
  for (const std::string& entry : listed->entries()) {
    if (entry.size() <= wanted.size() || upper_case(entry).compare(0, wanted.size(), wanted) != 0) continue;
    if ((found.empty() || entry < found) && platform.open_text(folder + entry)) found = entry;
  }
  return found;
}

// Where the sensor would read the profile once a file's added extension is
// removed: the rename that makes it read it. Empty when no such file lies
// in `folder`.
std::string added_extension_advice(Platform& platform, const std::string& folder, const std::string& profile_name) {
  const std::string found = name_with_added_extension(platform, folder, profile_name);
  if (found.empty()) return "";
  const std::string extension = found.substr(profile_name.size());
  const bool notepad = upper_case(extension) == ".TXT";
  const std::string rename = "rename it to " + profile_name;
  return "the profile lies at " + platform.full_path(folder + found) + ": " +
         (notepad ? "Notepad added " + extension + " to its name; " + rename + " (Explorer shows it as " +
                        profile_name + " unless \"File name extensions\" is ticked in its View menu)"
                  : "its name has " + extension + " added; " + rename);
}

// `mode` is the run's mode, one that searches PRTG's folder; the example of
// another names a mode that opens the profile where the command line names it.
std::string typed_folder_note(const std::string& typed_folder, Mode mode) {
  return "in the mode " + std::string(mode_row(mode).keyword) + " without \"@\" the sensor does not read the folder " +
         typed_folder +
         " typed with the name, it searches PRTG's Custom Sensors\\ExeXml folder; it reads a folder typed with the "
         "name only with \"@\" in the options or in another output mode (" +
         std::string(kModeKeyword) + std::string(mode_row(Mode::kMervesk).keyword) + ", say)";
}

// Where the sensor that searches PRTG's folder stopped, and what to change.
void advise_after_search(Platform& platform, const RunSettings& settings, const std::string& typed_folder,
                         ProfileLookup& lookup) {
  const Fault fault = lookup.status.fault();
  if (fault == Fault::kInvalidPathUsage) {
    lookup.unread_path = lookup.trail.opened_path;
    const std::string folder = lookup.trail.opened_path.substr(
        0, lookup.trail.opened_path.size() - settings.profile_name.size());
    if (folder.empty()) {
      lookup.advice.push_back(
          "the sensor refuses a profile found in its working directory, whatever the folder is named; PRTG starts "
          "the sensor in a folder of its own: run the sensor once from PRTG with " +
          std::string(kSyslogKeyword) + " and look for Quillar.log to see which; " + kPutIntoExeXml +
          ", and the search no longer depends on the working directory");
    } else {
      lookup.advice.push_back(platform.full_path(folder) + " is no ExeXml folder: " + kPutIntoExeXml);
    }
  } else if (fault == Fault::kProfileMissing) {
    // The first folder tried in which a rename makes the sensor read it;
    // in any other folder it would still refuse the profile.
    std::string rename;
    for (const std::string& path : lookup.trail.paths_tried) {
      const std::string folder = path.substr(0, path.size() - settings.profile_name.size());
      if (is_exexml_folder(folder)) rename = added_extension_advice(platform, folder, settings.profile_name);
      if (!rename.empty()) break;
    }
    lookup.advice.push_back(rename.empty() ? std::string(kPutIntoExeXml) : rename);
    // Where an administrator may have put it: the typed folder, or the
    // working directory, which a search through the override file skips.
    if (!typed_folder.empty() && platform.open_text(typed_folder + settings.profile_name)) {
      lookup.unread_path = typed_folder + settings.profile_name;
    } else if (lookup.trail.override_file && platform.open_text(settings.profile_name)) {
      lookup.unread_path = settings.profile_name;
    }
  }
  if (!typed_folder.empty() && (fault == Fault::kInvalidPathUsage || fault == Fault::kProfileMissing)) {
    lookup.advice.push_back(typed_folder_note(typed_folder, settings.mode));
  }
}

}  // namespace

ProfileLookup look_up_profile(Platform& platform, RunSettings& settings) {
  ProfileLookup lookup;
  const std::string typed_folder = settings.sensor_dir;
  lookup.searched = searches_sensor_directory(settings);
  lookup.status = locate_profile(platform, settings, lookup.searched ? &lookup.trail : nullptr);
  if (!lookup.searched) {
    const std::string rename = lookup.status.fault() == Fault::kProfileMissing
                                   ? added_extension_advice(platform, settings.sensor_dir, settings.profile_name)
                                   : std::string();
    if (!rename.empty()) {
      lookup.advice.push_back(rename);
    } else if (lookup.status.fault() == Fault::kProfileMissing) {
      lookup.advice.push_back("put the profile at " + platform.full_path(settings.sensor_dir + settings.profile_name) +
                              ", where the command line names it, or type the folder that holds it in front of "
                              "the name");
    }
    return lookup;
  }
  lookup.override_faults = override_line_faults(lookup.trail.override_report);
  if (lookup.status.is_ok()) {
    if (!typed_folder.empty() && upper_case(typed_folder) != upper_case(settings.sensor_dir)) {
      lookup.advice.push_back(typed_folder_note(typed_folder, settings.mode));
    }
    return lookup;
  }
  advise_after_search(platform, settings, typed_folder, lookup);
  return lookup;
}

}  // namespace quillar
