// Files and folders as the sensor sees them: files open for reading or
// writing, and folders held open whose entries are reached by name alone.
#ifndef QUILLAR_PLATFORM_FILES_H_
#define QUILLAR_PLATFORM_FILES_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillar {

// A file open for reading.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads up to `capacity` bytes into `buffer`. Returns 0 at the end of the
  // file and after a read error, which the callers treat alike.
  virtual std::size_t read(char* buffer, std::size_t capacity) = 0;
  // The size of the file in bytes, when it has one.
  virtual std::optional<std::uint64_t> size() { return std::nullopt; }
  // Reading goes on at this byte of the file. False when the file cannot
  // be read from there; where reading goes on is unknown then.
  virtual bool seek(std::uint64_t) { return false; }
};

// A file open for writing.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual bool write(std::string_view bytes) = 0;
  virtual bool flush() = 0;
  // Writes what is buffered and closes the file. False when that, or any
  // earlier write, failed; the file is closed all the same. Destroying a
  // file that was not closed closes it without telling.
  virtual bool close() = 0;
};

// What a name in a folder stands for, seen without following it.
enum class EntryKind {
  kMissing,
  // A plain file: a regular file that this name alone reaches.
  kFile,
  kFolder,
  // A symbolic link, a junction or another reparse point, a FIFO, a device,
  // or a regular file with more than one link (its other names may lie
  // outside the folder): never followed, never written through.
  kOther,
};

// Who a file or folder is, whatever it is named: two openings of the same
// one give equal identities for as long as it exists (the device and inode
// on POSIX, the volume serial number and file ID on Windows).
struct EntryIdentity {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const EntryIdentity& other) const { return volume == other.volume && file == other.file; }
  bool operator!=(const EntryIdentity& other) const { return !(*this == other); }
};

// How a file of a folder is opened for writing. Each creates a missing file.
enum class FileWriting {
  kAppend,      // kept, written at its end, without any translation
  kAppendText,  // the same, with each line feed written as the platform's line end
  kReplace,     // emptied first
  kNew,         // only when nothing has the name yet
};

// A folder held open. The names it is given are names of its own entries,
// never paths: a name that is empty, ".", "..", holds "..", or holds one of
// "\", "/" and ":" is refused by every operation (see is_entry_name).
// Nothing in it is followed: where a plain file or folder is expected, a
// link, junction or other reparse point, a FIFO, a device, a file with more
// than one link or an entry of the other kind is refused, and what was
// opened is checked after opening (the link count too), so that no swap of
// the entry in between can redirect it. Files opened from a folder stay
// usable after the folder is closed.
class Folder {
 public:
  virtual ~Folder() = default;
  // The names of the entries, in no order; names that is_entry_name refuses
  // are left out. Empty when the folder cannot be read.
  virtual std::vector<std::string> entries() = 0;
  // What the entry is, without following it.
  virtual EntryKind kind(const std::string& name) = 0;
  // A plain file of one link, for reading. Null for anything else, and when
  // it does not open. Opening never waits, whatever stands at the name.
  virtual std::unique_ptr<ReadableFile> open_file(const std::string& name) = 0;
  // A plain file of one link, for writing as `how` says. Null when anything
  // but such a file has the name (for kNew: when anything has it), or it
  // does not open; a file with other links is neither emptied nor written.
  virtual std::unique_ptr<WritableFile> write_file(const std::string& name, FileWriting how) = 0;
  // Removes an entry that is no folder: a file, or a link itself (for a
  // hard link, this name alone). False when that failed or the entry is a
  // folder.
  virtual bool remove_file(const std::string& name) = 0;
  // A plain folder of this folder. Null for anything else.
  virtual std::unique_ptr<Folder> open_folder(const std::string& name) = 0;
  // Makes a folder that only the user this program runs as can use (0700 on
  // POSIX; a protected security descriptor that grants that user alone full
  // access on Windows). Fails when anything has the name already.
  virtual bool make_private_folder(const std::string& name) = 0;
  // Removes an empty folder. False when that failed.
  virtual bool remove_folder(const std::string& name) = 0;
  // Renames the entry `name` (the link itself for a link) to `new_name` in
  // `target`, a folder of the same platform on the same drive (this one,
  // say). With `replace`, a file or link of the new name is replaced;
  // without it the move fails when anything has the new name. Never
  // replaces a folder.
  virtual bool move(const std::string& name, Folder& target, const std::string& new_name, bool replace) = 0;
  // Whether the folder belongs to the user this program runs as.
  virtual bool owned_by_this_user() = 0;
  // Whether the folder belongs to the user this program runs as and grants
  // nobody else anything: no permission for group or others on POSIX; on
  // Windows a protected access list whose every entry names that user.
  virtual bool private_to_this_user() = 0;
  // This folder's own identity, as held open: nothing when it cannot be
  // told.
  virtual std::optional<EntryIdentity> identity() = 0;
  // The identity of the entry `name`, without following it: nothing when
  // it is missing or cannot be told.
  virtual std::optional<EntryIdentity> entry_identity(const std::string& name) = 0;
  // A plain folder of this folder, held so that nobody can rename or remove
  // it while it is held, where the system can do that (Windows: a handle
  // that shares no deleting). On POSIX it is open_folder: callers compare
  // identities to tell a folder swapped in under its name.
  virtual std::unique_ptr<Folder> pin_folder(const std::string& name) { return open_folder(name); }
  // While kept (true), the folder may answer which entry a name stands for
  // in another letter case from one listing of its own, kept up to date by
  // its own changes, instead of listing itself at each name it lacks; false
  // ends one true, and the last forgets it. For work over many entries of a
  // folder that others do not change meanwhile in letter case alone.
  virtual void keep_listing(bool) {}
};

// A folder's listing kept (see Folder::keep_listing) for as long as this
// lives.
class FolderListingKept {
 public:
  explicit FolderListingKept(Folder& folder) : folder_(folder) { folder_.keep_listing(true); }
  ~FolderListingKept() { folder_.keep_listing(false); }
  FolderListingKept(const FolderListingKept&) = delete;
  FolderListingKept& operator=(const FolderListingKept&) = delete;

 private:
  Folder& folder_;
};

// Whether a name read from a folder can be used as the name of an entry of
// that folder and nothing else (see Folder).
bool is_entry_name(std::string_view name);

// A file that reads as `content`, for a reader of text that the program has
// made out of a file's own.
std::unique_ptr<ReadableFile> file_in_memory(std::string content);

// The rest of a file, as it reads, up to `room` bytes.
std::string read_rest(ReadableFile& file, std::size_t room = std::string::npos);

// The content of a plain file of `folder`, up to `room` bytes; nothing when
// anything else or nothing has the name, or the file does not open.
std::optional<std::string> plain_file_content(Folder& folder, const std::string& name,
                                              std::size_t room = std::string::npos);

// The size of the plain file `name` of `folder` (0 when there is none), and
// whether its last byte is other than a line feed: a line that a writer cut
// off (a full disk, a crash) and that the next one should end first.
std::uint64_t file_end(Folder& folder, const std::string& name, bool& inside_line);

// Reads a file as text: a CR LF pair reads as one line feed, as it does for
// a Windows program's text-mode file.
std::unique_ptr<ReadableFile> as_text(std::unique_ptr<ReadableFile> bytes);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_FILES_H_
