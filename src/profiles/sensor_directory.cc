#include "profiles/sensor_directory.h"

#include <array>
#include <utility>

#include "base/errors.h"
#include "base/texts.h"
#include "platform/line_reader.h"

namespace quillar {
namespace {

constexpr std::size_t kOverrideLineRoom = 99;
constexpr char kInstallationTail[] = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";
constexpr char kSensorsTail[] = "Custom Sensors\\ExeXml\\";
constexpr std::array<const char*, 3> kInstallationFolders = {
    "\\Programme\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
    "\\Program Files\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
    "\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
};

// The base folder that the override file names, ending in a backslash: "\"
// when no line qualifies.
Status override_base(ReadableFile& file, std::string& base, std::string& line_taken, ReadReport* report) {
  base.clear();
  LineReader reader(file, kOverrideLineRoom);
  report_encoding(reader, report);
  if (reader.saved_as_utf16()) return error_status(Fault::kSavedAsUtf16, {kPathOverrideFile});
  std::string line;
  while (reader.next_line(line)) {
    const bool names_folder = names_a_base_folder(line);
    report_line(reader, line, names_folder ? LineUse::kTaken : LineUse::kNoFolder, report);
    if (names_folder) base = line;
  }
  line_taken = base;
  if (base.empty() || base.back() != '\\') base += '\\';
  return Status::Ok();
}

}  // namespace

// A drive letter, a drive with a path, or a path from the root.
bool names_a_base_folder(std::string_view line) {
  return (line.size() > 0 && line[0] == '\\') || (line.size() > 1 && line[1] == ':') ||
         (line.size() > 2 && line[2] == '\\');
}

bool is_exexml_folder(std::string_view folder) {
  return folder.size() >= 7 && upper_case(folder.substr(folder.size() - 7, 6)) == "EXEXML";
}

Status find_sensor_directory(Platform& platform, const std::string& profile_name,
                             SensorDirectory& found, SearchTrail* trail) {
  auto missing = [&] { return error_status(Fault::kProfileMissing, {profile_name}); };
  found = SensorDirectory();
  // The probes share their first folders, and the search only reads: each
  // folder on the way is looked into once.
  const FolderListingsKept listings_kept(platform);
  auto try_open = [&](const std::string& path) {
    if (trail != nullptr) trail->paths_tried.push_back(path);
    return platform.open_text(path);
  };
  if (std::unique_ptr<ReadableFile> override_file = platform.open_text(kPathOverrideFile)) {
    std::string base;
    std::string line_taken;
    Status read = override_base(*override_file, base, line_taken, trail != nullptr ? &trail->override_report : nullptr);
    if (trail != nullptr) {
      trail->override_file = true;
      trail->override_line = line_taken;
    }
    override_file.reset();
    if (!read.is_ok()) return read;
    // A probe that finds the profile keeps it open: it is the profile of the
    // folder that the base becomes.
    for (const char* tail : {kInstallationTail, kSensorsTail}) {
      if (std::unique_ptr<ReadableFile> probe = try_open(base + tail + profile_name)) {
        base += tail;
        found.profile = std::move(probe);
      }
    }
    found.folder = base;
    if (!found.profile) found.profile = try_open(found.folder + profile_name);
    if (!found.profile) return missing();
  } else {
    found.profile = try_open(profile_name);
    for (const char* folder : kInstallationFolders) {
      if (found.profile) break;
      found.folder = folder;
      found.profile = try_open(found.folder + profile_name);
    }
    if (!found.profile) return missing();
  }

  if (trail != nullptr) trail->opened_path = found.folder + profile_name;
  const std::string& folder = found.folder;
  if (!is_exexml_folder(folder)) return error_status(Fault::kInvalidPathUsage);
  if (folder.size() > kSensorDirectoryRoom) {
    return error_status(Fault::kProfileFolderTooLong, {std::to_string(kSensorDirectoryRoom)});
  }
  return Status::Ok();
}

}  // namespace quillar
