#include "rfc/rfc_files.h"

#include <cstring>
#include <limits>
#include <memory>

#include "base/errors.h"
#include "base/texts.h"
#include "output/diagnostics.h"
#include "platform/line_reader.h"

namespace quillar {
namespace {

// The trace file is read in pieces of this many characters, line feed included.
constexpr std::size_t kTracePieceRoom = 99;

constexpr char kPrivateDestinationsEnd[] = ".ini";

// How often the destinations file's replacement is tried, and the pause
// between two tries: together a tenth of a second at most.
constexpr unsigned kReplaceAttempts = 11;
constexpr unsigned kReplacePauseMs = 10;

bool all_of_digits(std::string_view text, bool hexadecimal) {
  if (text.empty()) return false;
  for (char c : text) {
    const bool digit = c >= '0' && c <= '9';
    const bool letter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!digit && !(hexadecimal && letter)) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> write_private_destinations(Platform& platform, Folder& working,
                                                      std::string_view content) {
  const std::string name = kDestinationFilePrefix + std::to_string(platform.process_id()) + "." +
                           hexadecimal_digits(platform.random_number()) + kPrivateDestinationsEnd;
  std::unique_ptr<WritableFile> file = working.write_file(name, FileWriting::kNew);
  if (!file) return std::nullopt;
  const bool written = file->write(content);
  if (file->close() && written) return name;
  working.remove_file(name);
  return std::nullopt;
}

bool is_private_destinations_name(std::string_view name) {
  const std::string upper = upper_case(name);
  const std::string prefix = upper_case(kDestinationFilePrefix);
  const std::string end = upper_case(kPrivateDestinationsEnd);
  if (upper.size() <= prefix.size() + end.size() || !upper.starts_with(prefix) || !upper.ends_with(end)) {
    return false;
  }
  const std::string_view middle =
      std::string_view(upper).substr(prefix.size(), upper.size() - prefix.size() - end.size());
  const std::size_t dot = middle.find('.');
  return dot != std::string_view::npos && all_of_digits(middle.substr(0, dot), false) &&
         all_of_digits(middle.substr(dot + 1), true);
}

void remove_stale_private_destinations(Platform& platform, Folder& working) {
  const std::size_t digits_at = std::strlen(kDestinationFilePrefix);
  for (const std::string& name : working.entries()) {
    if (!is_private_destinations_name(name)) continue;
    const std::string digits = name.substr(digits_at, name.find('.', digits_at) - digits_at);
    // A number beyond every process number names no process that runs.
    const bool beyond = digits.size() > std::numeric_limits<unsigned long long>::digits10 ||
                        std::stoull(digits) > std::numeric_limits<unsigned long>::max();
    if (beyond || !platform.process_alive(static_cast<unsigned long>(std::stoull(digits)))) {
      working.remove_file(name);
    }
  }
}

bool replace_destinations_file(Platform& platform, Folder& working, std::string_view content) {
  // The rename would take a link's or a second name's place without writing
  // through it; refusing them all the same keeps one rule for every file
  // that the sensor writes by name: anything but a plain file of one link
  // there is left alone.
  const EntryKind there = working.kind(kDestinationsFile);
  if (there != EntryKind::kMissing && there != EntryKind::kFile) return false;
  const std::optional<std::string> draft = write_private_destinations(platform, working, content);
  if (!draft) return false;
  // Windows refuses a rename over a file that another process holds open
  // without sharing its deletion (another run renaming over the same name,
  // a virus scanner) for as long as it holds it: a moment, as a rule.
  for (unsigned attempt = 0; attempt < kReplaceAttempts; ++attempt) {
    if (attempt > 0) platform.sleep_ms(kReplacePauseMs);
    if (working.move(*draft, working, kDestinationsFile, true)) return true;
  }
  working.remove_file(*draft);
  return false;
}

Status check_trace_file_place(Platform& platform) {
  // A working directory that does not open hides nothing from the library
  // that this check could see.
  std::unique_ptr<Folder> working = platform.open_folder("");
  const EntryKind kind = working ? working->kind(kTraceFileName) : EntryKind::kMissing;
  if (kind == EntryKind::kMissing || kind == EntryKind::kFile) return Status::Ok();
  return error_status(Fault::kTraceFileUnusable, {kTraceFileName, working_directory_shown(platform)});
}

std::string trace_file_remark(Platform& platform) {
  std::unique_ptr<Folder> working = platform.open_folder("");
  std::unique_ptr<ReadableFile> file = working ? as_text(working->open_file(kTraceFileName)) : nullptr;
  if (!file) return " - Look for Trace-File";
  // The library starts each error block with a "**** ERROR " line and states
  // the error in an "ERROR " line or behind a "======> " arrow; the last text
  // after the last block start is the one that explains the failure.
  std::string found;
  std::string line;
  LineReader reader(*file, kTracePieceRoom);
  while (reader.next_line(line)) {
    if (line.starts_with("**** ERROR ")) found.clear();
    if (line.starts_with("ERROR ")) found = line.size() > 12 ? line.substr(12) : std::string();
    if (line.size() >= 15 && line.compare(7, 8, "======> ") == 0) found = line.substr(15);
  }
  return found.empty() ? " - Please Check Trace-File !" : " - " + found;
}

}  // namespace quillar
