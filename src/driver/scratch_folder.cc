#include "driver/scratch_folder.h"

#include <optional>

#include "base/texts.h"
#include "driver/child_job.h"
#include "driver/child_records.h"
#include "driver/run_settings.h"
#include "output/diagnostics.h"
#include "rfc/rfc_files.h"

namespace quillar {
namespace {

constexpr char kScratchPrefix[] = "Quillar.";
constexpr int kNameTries = 16;
// Folders below a scratch folder are cleared this deep at most.
constexpr int kDeepestFolder = 8;
// Files are carried in pieces of this many bytes at most.
constexpr std::size_t kPieceRoom = 64 * 1024;

// Names a run in one process writes in the working directory, and the
// child's own files.
bool is_sensor_file(const std::string& name) {
  const std::string upper = upper_case(name);
  for (const char* known : {kRecordsFile, kJobFile, kLogFileName, kTraceFileName, kDestinationsFile}) {
    if (upper == upper_case(known)) return true;
  }
  return false;
}

void report_unwritten(Platform& platform, const std::string& name) {
  platform.write_error_console(std::string(kProgramWord) + ": " + name + " not written whole: " +
                               platform.failure_reason() + "\n");
}

// Where a carried file is read from: its last kCarriedRoom bytes at most,
// from the first line that begins there. Gives the line that tells what was
// left out, empty when nothing was.
std::string skip_to_carried_part(ReadableFile& source, const std::string& name) {
  const std::uint64_t size = source.size().value_or(0);
  if (size <= kCarriedRoom || !source.seek(size - kCarriedRoom)) return std::string();
  // The line cut in two is dropped, unless it goes on for more than a piece.
  const std::uint64_t cut = size - kCarriedRoom;
  std::uint64_t skipped = cut;
  char c = '\0';
  while (skipped - cut < kPieceRoom && source.read(&c, 1) == 1) {
    ++skipped;
    if (c == '\n') break;
  }
  if (c != '\n' && !source.seek(cut)) return std::string();
  if (c != '\n') skipped = cut;
  return std::string(kProgramWord) + ": the first " + std::to_string(skipped) + " of " + std::to_string(size) +
         " bytes of an earlier " + name + " were left out here\n";
}

// Copies the file `name` of `from` into the file of that name in `to`, as
// `how` says, in pieces that end at a line end, so that lines appended by
// several programs at once never mix. A file to append to is opened only
// when there is something to append.
void carry_file(Platform& platform, Folder& from, const std::string& name, Folder& to, FileWriting how) {
  std::unique_ptr<ReadableFile> source = from.open_file(name);
  if (!source) return;
  std::string pending = skip_to_carried_part(*source, name);
  std::unique_ptr<WritableFile> target;
  bool written = true;
  auto put = [&](std::string_view bytes) {
    if (!target) target = to.write_file(name, how);
    written = target != nullptr && target->write(bytes) && written;
  };
  if (how == FileWriting::kReplace) put("");
  // A file that grows while it is carried is carried up to this bound.
  std::uint64_t room = kCarriedRoom + kPieceRoom;
  std::string block(kPieceRoom, '\0');
  while (written && room > 0) {
    const std::size_t n = source->read(block.data(), static_cast<std::size_t>(std::min<std::uint64_t>(kPieceRoom, room)));
    if (n == 0) break;
    room -= n;
    pending.append(block.data(), n);
    const std::size_t line_end = pending.rfind('\n');
    const std::size_t whole = line_end == std::string::npos ? 0 : line_end + 1;
    if (whole > 0 || pending.size() >= kPieceRoom) {
      const std::size_t out = whole > 0 ? whole : pending.size();
      put(std::string_view(pending).substr(0, out));
      pending.erase(0, out);
    }
  }
  if (written && !pending.empty()) put(pending);
  if (target) written = target->close() && written;
  if (!written) report_unwritten(platform, name);
}

// The log and the trace blocks of a child, appended to the working
// directory's.
void carry_logs(Platform& platform, Folder& working, Folder& scratch) {
  for (const char* name : {kLogFileName, kTraceFileName}) carry_file(platform, scratch, name, working, FileWriting::kAppend);
}

// Removes a folder that could not be moved up, and everything in it, never
// following a link.
void remove_tree(Folder& parent, const std::string& name, int depth) {
  if (std::unique_ptr<Folder> folder = parent.open_folder(name)) {
    for (const std::string& entry : folder->entries()) {
      if (folder->kind(entry) == EntryKind::kFolder && depth < kDeepestFolder) {
        remove_tree(*folder, entry, depth + 1);
      } else {
        folder->remove_file(entry);
      }
    }
  }
  parent.remove_folder(name);
}

std::string new_scratch_name(Platform& platform) {
  return kScratchPrefix + std::to_string(platform.process_id()) + "." + hexadecimal_digits(platform.random_number());
}

// Renames the stale folder `name` to a new name of this run's own. Nothing
// when another run has claimed it first, or no name was free.
std::optional<std::string> claim(Platform& platform, Folder& working, const std::string& name) {
  for (int tries = 0; tries < kNameTries; ++tries) {
    std::string claimed = new_scratch_name(platform);
    if (working.move(name, working, claimed, false)) return claimed;
    if (working.kind(name) != EntryKind::kFolder) break;
  }
  return std::nullopt;
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

std::optional<std::string> make_scratch_folder(Platform& platform, Folder& working) {
  for (int tries = 0; tries < kNameTries; ++tries) {
    std::string name = new_scratch_name(platform);
    if (working.make_private_folder(name)) return name;
  }
  return std::nullopt;
}

void merge_run_files(Platform& platform, Folder& working, Folder& scratch, bool trace_removed) {
  carry_logs(platform, working, scratch);
  if (trace_removed) working.remove_file(kTraceFileName);
  carry_file(platform, scratch, kDestinationsFile, working, FileWriting::kReplace);
}

void clear_scratch_folder(Platform& platform, Folder& working, const std::string& name) {
  std::unique_ptr<Folder> scratch = working.open_folder(name);
  if (!scratch) return;
  for (const std::string& entry : scratch->entries()) {
    const EntryKind kind = scratch->kind(entry);
    if (kind == EntryKind::kMissing) continue;
    if (kind == EntryKind::kOther || (kind == EntryKind::kFile && is_sensor_file(entry))) {
      scratch->remove_file(entry);
      continue;
    }
    // A file the library appends to in one process gets this child's part
    // appended; never through a link, which the child's file replaces.
    if (kind == EntryKind::kFile && working.kind(entry) == EntryKind::kFile) {
      carry_file(platform, *scratch, entry, working, FileWriting::kAppend);
      scratch->remove_file(entry);
      continue;
    }
    if (scratch->move(entry, working, entry, true)) continue;
    if (kind == EntryKind::kFile) {
      scratch->remove_file(entry);
    } else {
      remove_tree(*scratch, entry, 1);
    }
  }
  scratch.reset();
  working.remove_folder(name);
}

void sweep_stale_scratch_folders(Platform& platform, Folder& working, const std::function<bool()>& out_of_time) {
  const unsigned long own = platform.process_id();
  for (const std::string& name : working.entries()) {
    std::optional<unsigned long> owner = scratch_owner(name);
    if (!owner || *owner == own || platform.process_alive(*owner)) continue;
    if (out_of_time()) return;
    std::unique_ptr<Folder> stale = working.open_folder(name);
    if (!stale || !stale->owned_by_this_user()) continue;
    stale.reset();
    std::optional<std::string> claimed = claim(platform, working, name);
    if (!claimed) continue;
    if (std::unique_ptr<Folder> folder = working.open_folder(*claimed)) carry_logs(platform, working, *folder);
    clear_scratch_folder(platform, working, *claimed);
  }
}

}  // namespace quillar
