// The carry of a scratch folder's files into the working directory's files
// of their names: in pieces of whole lines, each noted in the folder itself
// before it goes out, so that whatever ends a run midway, the next run that
// takes the folder over neither loses a piece nor sends it twice. Work that
// the budget cuts short stays in the folder for a later run.
#ifndef QUILLAR_DRIVER_FOLDER_CARRY_H_
#define QUILLAR_DRIVER_FOLDER_CARRY_H_

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quillar {

// Of a file larger than this, only its last part is carried into the working
// directory: the bytes from the first line that begins in its last
// kCarriedRoom bytes, behind a line that says how much was left out.
inline constexpr std::uint64_t kCarriedRoom = 16 * 1024 * 1024;
// The bytes that one run reads for carrying the folders of dead runs; the
// rest waits for the runs after it.
inline constexpr std::uint64_t kSweptPerRun = 2 * kCarriedRoom;

// How far each file of a folder has been carried: lines "DONE NULS NAME",
// DONE the bytes of the file carried, NULS the NUL bytes dropped since the
// last note of them.
inline constexpr char kProgressFile[] = "Quillar.carried";
inline constexpr char kProgressDraft[] = "Quillar.carried.new";
// A piece on its way out: "NAME\nDONE NULS AT LENGTH\n" and the piece, which
// brings the file NAME to DONE and NULS once it stands in the working
// directory's file of that name, which held AT bytes before.
inline constexpr char kPendingFile[] = "Quillar.pending";

// How much work may still be done: until the clock reaches `until_ms`, and
// for carrying up to `bytes` read. Work that finds it spent stops between two
// steps and leaves the rest where it is.
class WorkBudget {
 public:
  WorkBudget(Platform& platform, std::uint64_t until_ms, std::uint64_t bytes)
      : platform_(platform), until_ms_(until_ms), bytes_left_(bytes) {}
  bool spent() const { return bytes_left_ == 0 || out_of_time(); }
  bool out_of_time() const { return platform_.monotonic_ms() >= until_ms_; }
  void count_read(std::uint64_t bytes) { bytes_left_ -= std::min(bytes, bytes_left_); }

 private:
  Platform& platform_;
  std::uint64_t until_ms_;
  std::uint64_t bytes_left_;
};

// Reports on standard error that the working directory's file `name` was
// not written whole, and why: `why`, or else the last failure.
void report_unwritten(Platform& platform, const std::string& name, const std::string& why);
void report_unwritten(Platform& platform, const std::string& name);

// The carry of one folder: how far each of its files has gone out, kept in
// the folder itself.
class FolderCarry {
 public:
  // `listed`: the names of the folder's entries in upper case, as listed
  // once; no other entry of it is looked for.
  FolderCarry(Platform& platform, Folder& working, Folder& held, const std::set<std::string>& listed,
              WorkBudget& budget);

  // Ends what an earlier run left on its way out. False when a write failed.
  bool finish_pending();

  enum class Outcome { kCarried, kLeft, kFailed };

  // Whether the folder holds progress notes.
  bool noted() const { return noted_; }

  // Appends the file `name` of the folder to the working directory's file of
  // that name, from where earlier runs stopped.
  Outcome carry(const std::string& name);

 private:
  struct Progress {
    std::uint64_t done = 0;
    std::uint64_t nuls = 0;
  };

  static std::string nul_note(const std::string& name, std::uint64_t nuls);

  // Where the carried part of a file larger than kCarriedRoom begins: the
  // first line that begins in its last kCarriedRoom bytes, unless that line
  // goes on for more than a piece. 0 when the file cannot be read there.
  static std::uint64_t first_line_of_last_part(ReadableFile& source, std::uint64_t size);

  // Of a file of `size` bytes over kCarriedRoom whose carry has not begun:
  // puts out the line that tells how much of it is left out, and moves
  // `progress` past that part. False when a write failed.
  bool leave_out_first_part(const std::string& name, ReadableFile& source, std::uint64_t size, Progress& progress);

  // Puts `source`, which was `size` bytes when its carry began, out piece by
  // piece from `progress` on, while the budget lasts.
  Outcome carry_pieces(const std::string& name, ReadableFile& source, std::uint64_t size, Progress progress);

  // The piece of `block`, read at `progress`, that goes out next, with the
  // progress it brings the file to: whole lines without their NUL bytes,
  // and the line that counts those.
  static Progress take_piece(const std::string& name, std::string_view block, Progress progress, std::string& piece);

  bool listed(const std::string& name) const;
  void read_progress();
  bool write_progress();
  bool commit(const std::string& name, Progress after);

  // How much of `piece` stands in the working directory's file `name` at or
  // after `at`, where it was to go: all of it, or the part that a write cut
  // short (a full disk, a kill) left at the file's end, or nothing.
  std::size_t part_out(const std::string& name, const std::string& piece, std::uint64_t at);

  // Appends `bytes` to the working directory's file `name`; with
  // `end_cut_line`, after a line feed when the file ends inside a line.
  bool append(const std::string& name, std::string_view bytes, bool end_cut_line);

  // Sends out what an earlier attempt left of `piece`: the rest of a part cut
  // short goes on where the part stops, so that the cut line reads whole.
  bool send_rest(const std::string& name, const std::string& piece, std::uint64_t at);

  // Sends one piece out: noted first, then appended, then counted, so that
  // whatever ends this run midway, the next one neither loses it nor sends
  // it twice.
  bool put_out(const std::string& name, const std::string& piece, Progress after);

  Platform& platform_;
  Folder& working_;
  Folder& held_;
  const std::set<std::string>& listed_;
  WorkBudget& budget_;
  std::map<std::string, Progress> progress_;
  bool noted_ = false;
};

}  // namespace quillar

#endif  // QUILLAR_DRIVER_FOLDER_CARRY_H_
