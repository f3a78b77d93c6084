#include "driver/scratch_folder.h"

#include <optional>

#include "driver/child_records.h"
#include "driver/run_settings.h"
#include "output/diagnostics.h"
#include "base/texts.h"
#include "rfc/rfc_files.h"

namespace quillar {
namespace {

constexpr char kScratchPrefix[] = "Quillar.";
constexpr int kNameTries = 16;
// Folders below a scratch folder are cleared this deep at most.
constexpr int kDeepestFolder = 8;

// Names a run in one process writes in the working directory, and the
// child's record stream.
bool is_sensor_file(const std::string& name) {
  const std::string upper = upper_case(name);
  for (const char* known : {kRecordsFile, kLogFileName, kTraceFileName, kDestinationsFile}) {
    if (upper == upper_case(known)) return true;
  }
  return false;
}

std::string in_folder(const std::string& folder, const std::string& name) { return folder + "\\" + name; }

void report_unwritten(Platform& platform, const std::string& name) {
  platform.write_error_console(std::string(kProgramWord) + ": " + name + " not written whole: " +
                               platform.failure_reason() + "\n");
}

enum class Writing { kAppend, kReplace };

// Writes `content` whole, appended or in place of the file; reports a failure.
void write_whole(Platform& platform, const std::string& name, const std::string& content, Writing writing) {
  std::unique_ptr<WritableFile> file =
      writing == Writing::kAppend ? platform.append_bytes(name) : platform.create_bytes(name);
  bool written = file != nullptr && file->write(content);
  if (file) written = file->close() && written;
  if (!written) report_unwritten(platform, name);
}

// The log and the trace blocks of a child, appended to the working
// directory's.
void carry_logs(Platform& platform, const std::string& scratch) {
  for (const char* name : {kLogFileName, kTraceFileName}) {
    std::optional<std::string> content = plain_file_content(platform, in_folder(scratch, name));
    if (content && !content->empty()) write_whole(platform, name, *content, Writing::kAppend);
  }
}

// Removes a folder that could not be moved up, and everything in it, never
// following a link.
void remove_tree(Platform& platform, const std::string& folder, int depth) {
  for (const std::string& name : platform.folder_entries(folder)) {
    const std::string path = in_folder(folder, name);
    EntryKind kind = platform.entry_kind(path);
    if (kind == EntryKind::kFolder && depth < kDeepestFolder) {
      remove_tree(platform, path, depth + 1);
    } else if (!platform.delete_file(path)) {
      platform.remove_directory(path);
    }
  }
  platform.remove_directory(folder);
}

std::string hexadecimal(std::uint64_t number) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (std::size_t k = 16; k-- > 0; number >>= 4) text[k] = kDigits[number & 0xF];
  return text;
}

}  // namespace

std::optional<unsigned long> scratch_owner(std::string_view name) {
  const std::string_view prefix = kScratchPrefix;
  if (name.substr(0, prefix.size()) != prefix) return std::nullopt;
  name.remove_prefix(prefix.size());
  const std::size_t dot = name.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::optional<std::uint64_t> owner = plain_decimal(name.substr(0, dot), 10);
  const std::string_view token = name.substr(dot + 1);
  if (!owner || *owner == 0 || *owner > 0xFFFFFFFFu || token.empty() || token.size() > 16) return std::nullopt;
  for (char c : token) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
  }
  return static_cast<unsigned long>(*owner);
}

std::optional<std::string> make_scratch_folder(Platform& platform) {
  const std::string prefix = kScratchPrefix + std::to_string(platform.process_id()) + ".";
  for (int tries = 0; tries < kNameTries; ++tries) {
    std::string name = prefix + hexadecimal(platform.random_number());
    if (platform.make_directory(name)) return name;
  }
  return std::nullopt;
}

void merge_run_files(Platform& platform, const std::string& scratch, bool trace_removed) {
  carry_logs(platform, scratch);
  if (trace_removed) platform.delete_file(kTraceFileName);
  if (std::optional<std::string> destinations = plain_file_content(platform, in_folder(scratch, kDestinationsFile))) {
    write_whole(platform, kDestinationsFile, *destinations, Writing::kReplace);
  }
}

void clear_scratch_folder(Platform& platform, const std::string& scratch) {
  if (platform.entry_kind(scratch) != EntryKind::kFolder) return;
  for (const std::string& name : platform.folder_entries(scratch)) {
    const std::string path = in_folder(scratch, name);
    const EntryKind kind = platform.entry_kind(path);
    if (kind == EntryKind::kMissing) continue;
    if (kind == EntryKind::kOther || (kind == EntryKind::kFile && is_sensor_file(name))) {
      if (!platform.delete_file(path)) platform.remove_directory(path);
      continue;
    }
    // A file the library appends to in one process gets this child's part
    // appended; never through a link, which the child's file replaces.
    if (kind == EntryKind::kFile && platform.entry_kind(name) == EntryKind::kFile) {
      if (std::optional<std::string> content = plain_file_content(platform, path)) {
        write_whole(platform, name, *content, Writing::kAppend);
      }
      platform.delete_file(path);
      continue;
    }
    if (platform.move_entry(path, name)) continue;
    if (kind == EntryKind::kFile) {
      platform.delete_file(path);
    } else {
      remove_tree(platform, path, 1);
    }
  }
  platform.remove_directory(scratch);
}

void sweep_stale_scratch_folders(Platform& platform) {
  const unsigned long own = platform.process_id();
  for (const std::string& name : platform.folder_entries("")) {
    std::optional<unsigned long> owner = scratch_owner(name);
    if (!owner || *owner == own || platform.process_alive(*owner)) continue;
    if (platform.entry_kind(name) != EntryKind::kFolder) continue;
    carry_logs(platform, name);
    clear_scratch_folder(platform, name);
  }
}

}  // namespace quillar
