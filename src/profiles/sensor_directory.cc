#include "profiles/sensor_directory.h"

#include <array>
#include <optional>
#include <set>
#include <utility>

#include "base/code_page_1252.h"
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

// The largest override file that is held to decide whether it is UTF-8: a
// file that names a folder takes a few lines, and a larger one is read in
// the code page of names, piece by piece, holding nothing.
constexpr std::size_t kUtf8DecisionRoom = 64 * 1024;

// The pieces that `reader` gives, each as a line that names no folder, to
// the end of its file; or, given `room`, until they hold more than `room`
// bytes, when `whole_file` tells whether the end was reached.
std::vector<ReportedLine> read_pieces(LineReader& reader, std::size_t room = std::string::npos,
                                      bool* whole_file = nullptr) {
  std::vector<ReportedLine> pieces;
  std::size_t held = 0;
  std::string piece;
  bool reached_end = true;
  while (reader.next_line(piece)) {
    // A line's last piece counts its line end too, so that lines without
    // text count, and never more than the file stores.
    held += piece.size() + (reader.line_goes_on() ? 0 : 1);
    pieces.push_back(reported_line(reader, piece, LineUse::kNoFolder));
    if (held > room) {
      reached_end = false;
      break;
    }
  }
  if (whole_file != nullptr) *whole_file = reached_end;
  return pieces;
}

// Whether the text of `pieces` is UTF-8: valid throughout, and with a byte
// above 127, as text in an ANSI code page with such a byte almost never is.
bool saved_as_utf8(const std::vector<ReportedLine>& pieces) {
  std::string text;
  for (const ReportedLine& piece : pieces) text += piece.text;
  return beyond_ascii(text) && utf8_characters(text).has_value();
}

// The pieces of a UTF-8 file as the same file saved in the code page of
// names reads: each line is converted as a whole and cut into pieces
// afresh, so that a piece counts characters, not bytes. A line that the
// code page cannot hold stays as saved, and is marked so.
std::vector<ReportedLine> converted_pieces(Platform& platform, const std::vector<ReportedLine>& pieces) {
  std::string text;
  std::set<std::size_t> beyond;
  std::string line;
  for (const ReportedLine& piece : pieces) {
    line += piece.text;
    if (piece.goes_on) continue;
    std::optional<std::string> converted = platform.ansi_from_utf8(line);
    if (!converted) beyond.insert(piece.number);
    text += (converted ? *converted : line) + '\n';
    line.clear();
  }
  std::unique_ptr<ReadableFile> file = file_in_memory(std::move(text));
  LineReader reader(*file, kOverrideLineRoom);
  std::vector<ReportedLine> read = read_pieces(reader);
  for (ReportedLine& piece : read) piece.beyond_code_page = beyond.count(piece.number) != 0;
  return read;
}

// The base folder that the override file names, ending in a backslash: "\"
// when no line qualifies. A file saved as UTF-8 is read in the code page of
// names, the way Windows would name its folder.
Status override_base(Platform& platform, ReadableFile& file, std::string& base, std::string& line_taken,
                     ReadReport* report) {
  base.clear();
  LineReader reader(file, kOverrideLineRoom);
  report_encoding(reader, report);
  if (reader.saved_as_utf16()) return error_status(Fault::kSavedAsUtf16, {kPathOverrideFile});
  const auto take = [&](ReportedLine& piece) {
    if (names_a_base_folder(piece.text)) {
      piece.use = LineUse::kTaken;
      base = piece.text;
    }
    if (report != nullptr) report->lines.push_back(piece);
  };
  // A file that grows while it is read is held no further than the room.
  bool whole_file_held = false;
  std::vector<ReportedLine> pieces;
  if (file.size().value_or(kUtf8DecisionRoom + 1) <= kUtf8DecisionRoom) {
    pieces = read_pieces(reader, kUtf8DecisionRoom, &whole_file_held);
  }
  const bool utf8 = whole_file_held && saved_as_utf8(pieces);
  if (utf8) pieces = converted_pieces(platform, pieces);
  if (report != nullptr) report->read_as_utf8 = utf8;
  for (ReportedLine& piece : pieces) take(piece);
  std::string piece;
  while (reader.next_line(piece)) {
    ReportedLine rest = reported_line(reader, piece, LineUse::kNoFolder);
    take(rest);
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
    Status read = override_base(platform, *override_file, base, line_taken, trail != nullptr ? &trail->override_report : nullptr);
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
