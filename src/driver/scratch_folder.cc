#include "driver/scratch_folder.h"

#include <optional>
#include <set>
#include <vector>

#include "base/texts.h"
#include "driver/child_job.h"
#include "driver/child_records.h"
#include "driver/folder_carry.h"
#include "driver/run_settings.h"
#include "output/diagnostics.h"
#include "rfc/rfc_files.h"

namespace quillar {
namespace {

constexpr char kScratchPrefix[] = "Quillar.";
constexpr int kNameTries = 16;
// Folders below a scratch folder are cleared this deep at most.
constexpr int kDeepestFolder = 8;

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

std::string new_scratch_name(Platform& platform) {
  return kScratchPrefix + std::to_string(platform.process_id()) + "." + hexadecimal_digits(platform.random_number());
}

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
