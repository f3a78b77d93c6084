#include "driver/scratch_folder.h"

#include <map>
#include <set>
#include <optional>
#include <vector>

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
// How far behind where a piece was to go a carry looks for it: lines that
// other programs appended meanwhile.
constexpr std::size_t kPieceSearchRoom = 1024 * 1024;

// How far each file of a folder has been carried: lines "DONE NULS NAME",
// DONE the bytes of the file carried, NULS the NUL bytes dropped since the
// last note of them.
constexpr char kProgressFile[] = "Quillar.carried";
constexpr char kProgressDraft[] = "Quillar.carried.new";
// A piece on its way out: "NAME\nDONE NULS AT LENGTH\n" and the piece, which
// brings the file NAME to DONE and NULS once it stands in the working
// directory's file of that name, which held AT bytes before.
constexpr char kPendingFile[] = "Quillar.pending";

// Names a run in one process writes in the working directory, and the
// child's and the carry's own files.
bool is_sensor_file(const std::string& name) {
  const std::string upper = upper_case(name);
  for (const char* known : {kRecordsFile, kJobFile, kLogFileName, kTraceFileName, kDestinationsFile, kProgressFile,
                            kProgressDraft, kPendingFile}) {
    if (upper == upper_case(known)) return true;
  }
  return is_private_destinations_name(name);
}

void report_unwritten(Platform& platform, const std::string& name, const std::string& why) {
  report_file_not_written(platform, name, "not written whole: " + why);
}

void report_unwritten(Platform& platform, const std::string& name) {
  report_unwritten(platform, name, platform.failure_reason());
}

// Reads until `room` bytes are in `block` or the file ends.
std::size_t read_up_to(ReadableFile& source, char* block, std::size_t room) {
  std::size_t filled = 0;
  while (filled < room) {
    const std::size_t n = source.read(block + filled, room - filled);
    if (n == 0) break;
    filled += n;
  }
  return filled;
}

std::string new_scratch_name(Platform& platform) {
  return kScratchPrefix + std::to_string(platform.process_id()) + "." + hexadecimal_digits(platform.random_number());
}

struct Progress {
  std::uint64_t done = 0;
  std::uint64_t nuls = 0;
};

// Splits "WORD WORD ... REST" into `count` decimal numbers and the rest.
bool read_numbers(std::string_view line, std::uint64_t* numbers, int count, std::string* rest) {
  for (int k = 0; k < count; ++k) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos && rest != nullptr) return false;
    std::optional<std::uint64_t> number = plain_decimal(line.substr(0, blank), 20);
    if (!number) return false;
    numbers[k] = *number;
    line.remove_prefix(blank == std::string_view::npos ? line.size() : blank + 1);
  }
  if (rest != nullptr) *rest = std::string(line);
  return rest != nullptr || line.empty();
}

// The carry of one folder: how far each of its files has gone out, kept in
// the folder itself.
class FolderCarry {
 public:
  // `listed`: the names of the folder's entries in upper case, as listed
  // once; no other entry of it is looked for.
  FolderCarry(Platform& platform, Folder& working, Folder& held, const std::set<std::string>& listed,
              WorkBudget& budget)
      : platform_(platform), working_(working), held_(held), listed_(listed), budget_(budget) {
    read_progress();
  }

  // Ends what an earlier run left on its way out. False when a write failed.
  bool finish_pending() {
    if (!listed(kPendingFile)) return true;
    std::optional<std::string> pending = plain_file_content(held_, kPendingFile, kPieceRoom + 4096);
    if (!pending) return true;
    const std::size_t name_end = pending->find('\n');
    const std::size_t header_end = name_end == std::string::npos ? name_end : pending->find('\n', name_end + 1);
    std::uint64_t numbers[4];
    if (header_end == std::string::npos ||
        !read_numbers(std::string_view(*pending).substr(name_end + 1, header_end - name_end - 1), numbers, 4,
                      nullptr) ||
        pending->size() - header_end - 1 != numbers[3]) {
      // Cut off while it was written: nothing of it went out.
      return held_.remove_file(kPendingFile);
    }
    const std::string name = pending->substr(0, name_end);
    const std::string piece = pending->substr(header_end + 1);
    if (!send_rest(name, piece, numbers[2])) return false;
    return commit(name, Progress{numbers[0], numbers[1]});
  }

  enum class Outcome { kCarried, kLeft, kFailed };

  // Whether the folder holds progress notes.
  bool noted() const { return noted_; }

  // Appends the file `name` of the folder to the working directory's file of
  // that name, from where earlier runs stopped.
  Outcome carry(const std::string& name) {
    if (!listed(name)) return Outcome::kCarried;
    std::unique_ptr<ReadableFile> source = held_.open_file(name);
    if (!source) return Outcome::kCarried;
    const EntryKind there = working_.kind(name);
    if (there == EntryKind::kOther || there == EntryKind::kFolder) {
      // Never through a link, a FIFO or a folder: these lines are dropped.
      report_unwritten(platform_, name, "no plain file there");
      return Outcome::kCarried;
    }
    Progress progress = progress_[name];
    const std::uint64_t size = source->size().value_or(0);
    if (progress.done == 0 && size > kCarriedRoom) {
      const std::uint64_t first = first_line_of_last_part(*source, size);
      if (first > 0) {
        const std::string note = std::string(kProgramWord) + ": the first " + std::to_string(first) + " of " +
                                 std::to_string(size) + " bytes of an earlier " + name + " were left out here\n";
        if (!put_out(name, note, Progress{first, 0})) return Outcome::kFailed;
        progress.done = first;
      }
    }
    // A file that grows while it is carried is carried up to this bound.
    const std::uint64_t end = std::max(size, progress.done) + kPieceRoom;
    std::string block(kPieceRoom, '\0');
    while (true) {
      // A file known to be carried whole is read once more, to its end.
      if (progress.done < size && budget_.spent()) return Outcome::kLeft;
      std::size_t n = 0;
      if (progress.done < end && source->seek(progress.done)) {
        n = read_up_to(*source, block.data(),
                       static_cast<std::size_t>(std::min<std::uint64_t>(kPieceRoom, end - progress.done)));
      }
      budget_.count_read(n);
      if (n == 0) break;
      // Whole lines, unless a line is longer than a piece or the file ends
      // inside one.
      std::size_t taken = n;
      const std::size_t line_end = std::string_view(block.data(), n).rfind('\n');
      if (line_end != std::string_view::npos && n == kPieceRoom) taken = line_end + 1;
      std::string piece;
      piece.reserve(taken);
      for (std::size_t k = 0; k < taken; ++k) {
        if (block[k] != '\0') piece += block[k];
      }
      Progress after{progress.done + taken, progress.nuls + (taken - piece.size())};
      if (!piece.empty() && after.nuls > 0) {
        // The note stands on a line of its own.
        if (piece.back() != '\n') piece += '\n';
        piece += nul_note(name, after.nuls);
        after.nuls = 0;
      }
      if (!put_out(name, piece, after)) return Outcome::kFailed;
      progress = after;
    }
    if (progress.nuls > 0 && !put_out(name, nul_note(name, progress.nuls), Progress{progress.done, 0})) {
      return Outcome::kFailed;
    }
    return Outcome::kCarried;
  }

 private:
  static std::string nul_note(const std::string& name, std::uint64_t nuls) {
    return std::string(kProgramWord) + ": " + std::to_string(nuls) + " NUL bytes of an earlier " + name +
           " were dropped here\n";
  }

  // Where the carried part of a file larger than kCarriedRoom begins: the
  // first line that begins in its last kCarriedRoom bytes, unless that line
  // goes on for more than a piece. 0 when the file cannot be read there.
  static std::uint64_t first_line_of_last_part(ReadableFile& source, std::uint64_t size) {
    const std::uint64_t cut = size - kCarriedRoom;
    if (!source.seek(cut)) return 0;
    std::string block(kPieceRoom, '\0');
    const std::size_t n = read_up_to(source, block.data(), block.size());
    const std::size_t line_end = std::string_view(block.data(), n).find('\n');
    return line_end == std::string_view::npos ? cut : cut + line_end + 1;
  }

  bool listed(const std::string& name) const { return listed_.count(upper_case(name)) != 0; }

  void read_progress() {
    if (!listed(kProgressFile)) return;
    noted_ = true;
    std::optional<std::string> text = plain_file_content(held_, kProgressFile, 1024 * 1024);
    if (!text) return;
    for (std::size_t next = 0; next < text->size();) {
      const std::size_t end = std::min(text->find('\n', next), text->size());
      std::uint64_t numbers[2];
      std::string name;
      if (read_numbers(std::string_view(*text).substr(next, end - next), numbers, 2, &name) && is_entry_name(name)) {
        progress_[name] = Progress{numbers[0], numbers[1]};
      }
      next = end + 1;
    }
  }

  bool write_progress() {
    noted_ = true;
    std::string text;
    for (const auto& [name, progress] : progress_) {
      text += std::to_string(progress.done) + " " + std::to_string(progress.nuls) + " " + name + "\n";
    }
    std::unique_ptr<WritableFile> draft = held_.write_file(kProgressDraft, FileWriting::kReplace);
    bool written = draft != nullptr && draft->write(text);
    written = draft != nullptr && draft->close() && written;
    return written && held_.move(kProgressDraft, held_, kProgressFile, true);
  }

  bool commit(const std::string& name, Progress after) {
    progress_[name] = after;
    if (!write_progress()) return false;
    held_.remove_file(kPendingFile);
    return true;
  }

  // How much of `piece` stands in the working directory's file `name` at or
  // after `at`, where it was to go: all of it, or the part that a write cut
  // short (a full disk, a kill) left at the file's end, or nothing.
  std::size_t part_out(const std::string& name, const std::string& piece, std::uint64_t at) {
    std::unique_ptr<ReadableFile> target = working_.open_file(name);
    if (!target || !target->seek(at)) return 0;
    const std::string seen = read_rest(*target, piece.size() + kPieceSearchRoom);
    if (seen.find(piece) != std::string::npos) return piece.size();
    // A piece begins a line, so its part stands from a line start on.
    for (std::size_t from = 0; from < seen.size(); from = seen.find('\n', from) + 1) {
      if (seen.size() - from < piece.size() && seen.compare(from, std::string::npos, piece, 0, seen.size() - from) == 0) {
        return seen.size() - from;
      }
      if (seen.find('\n', from) == std::string::npos) break;
    }
    return 0;
  }

  // Appends `bytes` to the working directory's file `name`; with
  // `end_cut_line`, after a line feed when the file ends inside a line.
  bool append(const std::string& name, std::string_view bytes, bool end_cut_line) {
    bool inside_line = false;
    if (end_cut_line) file_end(working_, name, inside_line);
    std::unique_ptr<WritableFile> target = working_.write_file(name, FileWriting::kAppend);
    bool written = target != nullptr && (!inside_line || target->write("\n")) && target->write(bytes);
    written = target != nullptr && target->close() && written;
    if (!written) report_unwritten(platform_, name);
    return written;
  }

  // Sends out what an earlier attempt left of `piece`: the rest of a part cut
  // short goes on where the part stops, so that the cut line reads whole.
  bool send_rest(const std::string& name, const std::string& piece, std::uint64_t at) {
    const std::size_t out = part_out(name, piece, at);
    if (out == piece.size()) return true;
    return append(name, std::string_view(piece).substr(out), out == 0);
  }

  // Sends one piece out: noted first, then appended, then counted, so that
  // whatever ends this run midway, the next one neither loses it nor sends
  // it twice.
  bool put_out(const std::string& name, const std::string& piece, Progress after) {
    if (piece.empty()) return commit(name, after);
    bool inside_line = false;
    const std::uint64_t at = file_end(working_, name, inside_line);
    const std::string note = name + "\n" + std::to_string(after.done) + " " + std::to_string(after.nuls) + " " +
                             std::to_string(at) + " " + std::to_string(piece.size()) + "\n";
    std::unique_ptr<WritableFile> pending = held_.write_file(kPendingFile, FileWriting::kReplace);
    bool noted = pending != nullptr && pending->write(note) && pending->write(piece);
    noted = pending != nullptr && pending->close() && noted;
    if (!noted) {
      report_unwritten(platform_, std::string(kPendingFile));
      return false;
    }
    return append(name, piece, true) && commit(name, after);
  }

  Platform& platform_;
  Folder& working_;
  Folder& held_;
  const std::set<std::string>& listed_;
  WorkBudget& budget_;
  std::map<std::string, Progress> progress_;
  bool noted_ = false;
};

// Removes a folder that could not be moved up, and everything in it, never
// following a link. False when the budget ended it first.
bool remove_tree(Folder& parent, const std::string& name, int depth, WorkBudget& budget) {
  if (std::unique_ptr<Folder> folder = parent.open_folder(name)) {
    for (const std::string& entry : folder->entries()) {
      if (budget.out_of_time()) return false;
      if (folder->kind(entry) == EntryKind::kFolder && depth < kDeepestFolder) {
        if (!remove_tree(*folder, entry, depth + 1, budget)) return false;
      } else {
        folder->remove_file(entry);
      }
    }
  }
  parent.remove_folder(name);
  return true;
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

std::unique_ptr<ScratchFolder> ScratchFolder::make(Platform& platform, Folder& working) {
  for (int tries = 0; tries < kNameTries; ++tries) {
    std::string name = new_scratch_name(platform);
    if (!working.make_private_folder(name)) continue;
    std::unique_ptr<Folder> held = working.pin_folder(name);
    std::optional<EntryIdentity> identity = held ? held->identity() : std::nullopt;
    if (identity && held->private_to_this_user()) {
      return std::unique_ptr<ScratchFolder>(new ScratchFolder(std::move(name), std::move(held), *identity));
    }
    // Swapped before it could be held: it is nobody's to clear.
    return nullptr;
  }
  return nullptr;
}

std::unique_ptr<Folder> ScratchFolder::let_go() { return std::move(held_); }

bool ScratchFolder::intact(Folder& working) {
  return working.entry_identity(name_) == identity_ && held_->private_to_this_user();
}

namespace {

// Carries everything out of `held` but the progress notes. False when the
// budget ended it or a write failed.
bool carry_everything(Platform& platform, Folder& working, Folder& held, const ChildLeftovers& leftovers,
                      WorkBudget& budget) {
  FolderListingKept listing(working);
  FolderListingKept own_listing(held);
  const std::vector<std::string> entries = held.entries();
  std::set<std::string> listed;
  for (const std::string& entry : entries) listed.insert(upper_case(entry));
  FolderCarry carry(platform, working, held, listed, budget);
  if (!carry.finish_pending()) return false;
  for (const char* log : {kLogFileName, kTraceFileName}) {
    switch (carry.carry(log)) {
      case FolderCarry::Outcome::kCarried:
        if (listed.count(upper_case(log)) != 0) held.remove_file(log);
        break;
      case FolderCarry::Outcome::kLeft:
      case FolderCarry::Outcome::kFailed: return false;
    }
  }
  if (leftovers.trace_removed) working.remove_file(kTraceFileName);
  if (leftovers.destinations) {
    std::optional<std::string> destinations;
    if (listed.count(upper_case(kDestinationsFile)) != 0) {
      destinations = plain_file_content(held, kDestinationsFile, kCarriedRoom);
    }
    if (destinations) {
      if (!replace_destinations_file(platform, working, *destinations)) report_unwritten(platform, kDestinationsFile);
    }
  }
  for (const std::string& entry : entries) {
    if (budget.out_of_time()) return false;
    const EntryKind kind = held.kind(entry);
    if (kind == EntryKind::kMissing || upper_case(entry) == upper_case(kProgressFile)) continue;
    if (kind == EntryKind::kOther || (kind == EntryKind::kFile && is_sensor_file(entry))) {
      held.remove_file(entry);
      continue;
    }
    // A file the library appends to in one process gets this child's part
    // appended; never through a link, which the child's file replaces.
    if (kind == EntryKind::kFile && working.kind(entry) == EntryKind::kFile) {
      switch (carry.carry(entry)) {
        case FolderCarry::Outcome::kCarried: held.remove_file(entry); continue;
        case FolderCarry::Outcome::kLeft:
        case FolderCarry::Outcome::kFailed: return false;
      }
    }
    if (held.move(entry, working, entry, true)) continue;
    if (kind == EntryKind::kFile) {
      report_unwritten(platform, entry);
      held.remove_file(entry);
    } else if (!remove_tree(held, entry, 1, budget)) {
      return false;
    }
  }
  // The progress notes go last of all: until then a crash leaves them for
  // the next run.
  if (carry.noted()) held.remove_file(kProgressFile);
  return true;
}

}  // namespace

bool carry_out_scratch_folder(Platform& platform, Folder& working, const std::string& name,
                              std::unique_ptr<Folder> held, const ChildLeftovers& leftovers, WorkBudget& budget) {
  if (!carry_everything(platform, working, *held, leftovers, budget)) return false;
  const std::optional<EntryIdentity> identity = held->identity();
  if (!identity || working.entry_identity(name) != identity) return false;
  // A folder held pinned cannot be removed until it is let go.
  held.reset();
  return working.remove_folder(name);
}

void sweep_stale_scratch_folders(Platform& platform, Folder& working, WorkBudget& budget) {
  const unsigned long own = platform.process_id();
  FolderListingKept listing(working);
  for (const std::string& name : working.entries()) {
    if (budget.spent()) return;
    std::optional<unsigned long> owner = scratch_owner(name);
    if (!owner || *owner == own || platform.process_alive(*owner)) continue;
    // Who the folder is, and that it is this user's alone, is settled before
    // it is claimed; after the claim, only the folder so settled is carried.
    std::optional<EntryIdentity> identity;
    if (std::unique_ptr<Folder> stale = working.open_folder(name)) {
      if (stale->private_to_this_user()) identity = stale->identity();
    }
    if (!identity) continue;
    std::optional<std::string> claimed = claim(platform, working, name);
    if (!claimed) continue;
    std::unique_ptr<Folder> held = working.pin_folder(*claimed);
    if (!held || held->identity() != identity || !held->private_to_this_user()) continue;
    carry_out_scratch_folder(platform, working, *claimed, std::move(held), ChildLeftovers{}, budget);
  }
}

}  // namespace quillar
