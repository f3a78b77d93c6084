#include "driver/folder_carry.h"

#include <memory>
#include <optional>

#include "base/texts.h"
#include "output/diagnostics.h"

namespace quillar {
namespace {

// Files are carried in pieces of this many bytes at most.
constexpr std::size_t kPieceRoom = 64 * 1024;
// How far behind where a piece was to go a carry looks for it: lines that
// other programs appended meanwhile.
constexpr std::size_t kPieceSearchRoom = 1024 * 1024;

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

}  // namespace

void report_unwritten(Platform& platform, const std::string& name, const std::string& why) {
  report_file_not_written(platform, name, "not written whole: " + why);
}

void report_unwritten(Platform& platform, const std::string& name) {
  report_unwritten(platform, name, platform.failure_reason());
}

FolderCarry::FolderCarry(Platform& platform, Folder& working, Folder& held, const std::set<std::string>& listed,
                         WorkBudget& budget)
    : platform_(platform), working_(working), held_(held), listed_(listed), budget_(budget) {
  read_progress();
}

bool FolderCarry::finish_pending() {
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

FolderCarry::Outcome FolderCarry::carry(const std::string& name) {
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
  if (progress.done == 0 && size > kCarriedRoom && !leave_out_first_part(name, *source, size, progress)) {
    return Outcome::kFailed;
  }
  return carry_pieces(name, *source, size, progress);
}

bool FolderCarry::leave_out_first_part(const std::string& name, ReadableFile& source, std::uint64_t size,
                                       Progress& progress) {
  const std::uint64_t first = first_line_of_last_part(source, size);
  if (first == 0) return true;
  const std::string note = std::string(kProgramWord) + ": the first " + std::to_string(first) + " of " +
                           std::to_string(size) + " bytes of an earlier " + name + " were left out here\n";
  if (!put_out(name, note, Progress{first, 0})) return false;
  progress.done = first;
  return true;
}

FolderCarry::Outcome FolderCarry::carry_pieces(const std::string& name, ReadableFile& source, std::uint64_t size,
                                               Progress progress) {
  // A file that grows while it is carried is carried up to this bound.
  const std::uint64_t end = std::max(size, progress.done) + kPieceRoom;
  std::string block(kPieceRoom, '\0');
  while (true) {
    // A file known to be carried whole is read once more, to its end.
    if (progress.done < size && budget_.spent()) return Outcome::kLeft;
    std::size_t n = 0;
    if (progress.done < end && source.seek(progress.done)) {
      n = read_up_to(source, block.data(),
                     static_cast<std::size_t>(std::min<std::uint64_t>(kPieceRoom, end - progress.done)));
    }
    budget_.count_read(n);
    if (n == 0) break;
    std::string piece;
    const Progress after = take_piece(name, std::string_view(block.data(), n), progress, piece);
    if (!put_out(name, piece, after)) return Outcome::kFailed;
    progress = after;
  }
  if (progress.nuls > 0 && !put_out(name, nul_note(name, progress.nuls), Progress{progress.done, 0})) {
    return Outcome::kFailed;
  }
  return Outcome::kCarried;
}

FolderCarry::Progress FolderCarry::take_piece(const std::string& name, std::string_view block, Progress progress,
                                              std::string& piece) {
  // Whole lines, unless a line is longer than a piece or the file ends
  // inside one.
  std::size_t taken = block.size();
  const std::size_t line_end = block.rfind('\n');
  if (line_end != std::string_view::npos && block.size() == kPieceRoom) taken = line_end + 1;
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
  return after;
}

std::string FolderCarry::nul_note(const std::string& name, std::uint64_t nuls) {
  return std::string(kProgramWord) + ": " + std::to_string(nuls) + " NUL bytes of an earlier " + name +
         " were dropped here\n";
}

std::uint64_t FolderCarry::first_line_of_last_part(ReadableFile& source, std::uint64_t size) {
  const std::uint64_t cut = size - kCarriedRoom;
  if (!source.seek(cut)) return 0;
  std::string block(kPieceRoom, '\0');
  const std::size_t n = read_up_to(source, block.data(), block.size());
  const std::size_t line_end = std::string_view(block.data(), n).find('\n');
  return line_end == std::string_view::npos ? cut : cut + line_end + 1;
}

bool FolderCarry::listed(const std::string& name) const { return listed_.count(upper_case(name)) != 0; }

void FolderCarry::read_progress() {
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

bool FolderCarry::write_progress() {
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

bool FolderCarry::commit(const std::string& name, Progress after) {
  progress_[name] = after;
  if (!write_progress()) return false;
  held_.remove_file(kPendingFile);
  return true;
}

std::size_t FolderCarry::part_out(const std::string& name, const std::string& piece, std::uint64_t at) {
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

bool FolderCarry::append(const std::string& name, std::string_view bytes, bool end_cut_line) {
  bool inside_line = false;
  if (end_cut_line) file_end(working_, name, inside_line);
  std::unique_ptr<WritableFile> target = working_.write_file(name, FileWriting::kAppend);
  bool written = target != nullptr && (!inside_line || target->write("\n")) && target->write(bytes);
  written = target != nullptr && target->close() && written;
  if (!written) report_unwritten(platform_, name);
  return written;
}

bool FolderCarry::send_rest(const std::string& name, const std::string& piece, std::uint64_t at) {
  const std::size_t out = part_out(name, piece, at);
  if (out == piece.size()) return true;
  return append(name, std::string_view(piece).substr(out), out == 0);
}

bool FolderCarry::put_out(const std::string& name, const std::string& piece, Progress after) {
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

}  // namespace quillar
