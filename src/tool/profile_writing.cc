#include "tool/profile_writing.h"

#include <optional>

#include "profiles/password.h"
#include "profiles/profile_writer.h"
#include "profiles/system_profile.h"
#include "profiles/read_report.h"
#include "tool/create_request.h"
#include "tool/tool_output.h"

namespace quillar {
namespace {

constexpr char kUnprintable[] = "this password cannot be stored as printable text; use fewer of the characters ` { | } ~";

int refuse(Platform& platform, const std::string& reason) {
  say(platform, reason);
  return kToolRefused;
}

// The password from standard input: on a terminal asked for twice, which
// must agree; from a pipe without trailing blanks, which cmd's echo adds.
std::optional<std::string> read_new_password(Platform& platform, std::string& reason) {
  std::string password;
  if (platform.input_is_terminal()) platform.write_error_console("Password: ");
  if (!platform.read_secret_line(password)) {
    reason = "no password on standard input";
    return std::nullopt;
  }
  if (platform.input_is_terminal()) {
    std::string again;
    platform.write_error_console("Password again: ");
    if (!platform.read_secret_line(again) || again != password) {
      reason = "the two passwords differ; nothing was written";
      return std::nullopt;
    }
  } else if (!password.empty() && password.back() == ' ') {
    reason = "the password on standard input ends in a blank; cmd's \"echo Secret1 | ...\" adds one, "
             "write \"echo Secret1| ...\" instead";
    return std::nullopt;
  }
  return password;
}

// The reason why the sensor could not use this password, if any.
std::optional<std::string> password_problem(const std::string& password) {
  if (password.size() < 2) return "the password needs at least 2 characters";
  if (password.size() > kMaxPasswordLength) return "the password may hold at most 20 characters";
  for (char c : password) {
    if (c < 0x20 || c > 0x7e) return "the password may hold printable ASCII characters only";
  }
  return std::nullopt;
}

// A new password that the sensor can use, or why there is none.
std::optional<std::string> new_password(Platform& platform, std::string& reason) {
  std::optional<std::string> password = read_new_password(platform, reason);
  if (!password) return std::nullopt;
  if (std::optional<std::string> problem = password_problem(*password)) {
    reason = *problem;
    return std::nullopt;
  }
  return password;
}

// A name beside `path` that nothing has, not even a link; the number in it
// cannot be guessed ahead. Empty when every name tried was taken.
std::string unused_temporary_name(Platform& platform, const std::string& path) {
  for (int tries = 0; tries < 16; ++tries) {
    std::string name = path + "." + std::to_string(platform.random_number()) + ".tmp";
    if (platform.entry_kind(name) == EntryKind::kMissing) return name;
  }
  return "";
}

int cannot_write(Platform& platform, const std::string& path, const std::string& reason) {
  return refuse(platform, "cannot write " + platform.full_path(path) + ": " + reason + "; nothing was changed");
}

int wrote(Platform& platform, const std::string& path) {
  platform.write_console("wrote " + platform.full_path(path) + "\n");
  return kToolDone;
}

// Writes a new profile as a temporary file beside it, renamed to its name,
// so that a crash or a full disk midway leaves no part of a profile.
int write_new_file(Platform& platform, const std::string& path, const std::string& content) {
  const std::string temporary = unused_temporary_name(platform, path);
  std::unique_ptr<WritableFile> file = temporary.empty() ? nullptr : platform.create_bytes(temporary);
  bool written = file && file->write(content);
  written = file && file->close() && written;
  file.reset();
  if (!written || !platform.replace_file(temporary, path)) {
    const std::string reason = platform.failure_reason();
    platform.delete_file(temporary);
    return cannot_write(platform, path, reason);
  }
  return wrote(platform, path);
}

// Replaces a profile that was read as `read`. The new file keeps what
// guards the old one, since the scrambled password is only as private as
// the file; and it is refused rather than written over an edit, over
// another rewrite, or beside another name of the file. `again` names the
// command, for the advice to run it again.
int rewrite_file(Platform& platform, const std::string& path, const std::string& read, const std::string& content,
                 const std::string& again) {
  const std::string shown = platform.full_path(path);
  switch (platform.rewrite_file(path, read, content)) {
    case Rewrite::kDone:
      return wrote(platform, path);
    case Rewrite::kBusy:
      return refuse(platform, shown + " is held by another program, such as another quillar-profile at work on it; "
                                      "nothing was written; run " + again + " again once it has let the file go");
    case Rewrite::kLinked:
      return refuse(platform, shown + " has more than one name (a hard link), and a new file would leave the old "
                                      "password under the other names; nothing was written; remove the other names, "
                                      "or copy the file to a name of its own and name the copy");
    case Rewrite::kChanged:
      return refuse(platform, shown + " changed while quillar-profile was at work on it; nothing was written; run " +
                                  again + " again");
    case Rewrite::kOwnerNotKept:
      return refuse(platform, "the new " + shown + " could not keep the owner of the old one, which belongs to "
                                                   "another account; nothing was written; run quillar-profile as "
                                                   "that account or as an administrator");
    case Rewrite::kFailed:
      break;
  }
  return cannot_write(platform, path, platform.failure_reason());
}

// Why a file that the tool would rewrite is left alone.
enum class Unusable { kFolder, kNotPlain, kUnopenable, kSavedAsUtf16, kEmpty, kNoLabelLine };

struct Refusal {
  Unusable why;
  std::string text;
};

// Whether the file at `path`, which exists, is one that the sensor reads as
// a profile, read with the sensor's own reader: a profile whose entries the
// sensor refuses still is one, and passwd is there to mend its password.
// Anything else the tool must not write into, nor replace unasked: a file
// saved as UTF-16, whose lines the tool would corrupt with 8-bit ones; an
// empty file or one without a labelled line, which is no profile yet; what
// is no plain file or does not open. Nothing when it is a profile.
std::optional<Refusal> refusal_to_rewrite(Platform& platform, const std::string& path) {
  const std::string shown = platform.full_path(path);
  const EntryKind kind = platform.entry_kind(path);
  if (kind == EntryKind::kFolder) return Refusal{Unusable::kFolder, shown + " is a folder, not a profile file"};
  if (kind == EntryKind::kOther) {
    return Refusal{Unusable::kNotPlain, shown + " is no plain file but a link, a junction or a device"};
  }
  std::unique_ptr<ReadableFile> file = platform.open_text(path);
  if (!file) return Refusal{Unusable::kUnopenable, "cannot open " + shown + ": " + platform.failure_reason()};
  LogonEntries entries;
  ReadReport report;
  (void)read_system_profile(*file, file_name_of(path), ProfileUse::kSingleSystem, OffsetTable(), entries, &report);
  if (report.saved_as_utf16) {
    return Refusal{Unusable::kSavedAsUtf16,
                   shown + " is saved as UTF-16" +
                       (report.saved_as_utf16_without_mark ? " without a byte order mark" : "") +
                       ", which the sensor cannot read"};
  }
  if (report.lines.empty() && !report.skipped_byte_order_mark) return Refusal{Unusable::kEmpty, shown + " is empty"};
  for (const ReportedLine& line : report.lines) {
    if (line.taken()) return std::nullopt;
  }
  return Refusal{Unusable::kNoLabelLine, shown + " holds no line that the sensor reads as a profile line (one that "
                                                 "begins with a label such as \"User.......:\")"};
}

// What the administrator of a passwd that was refused does next.
std::string passwd_remedy(Unusable why) {
  switch (why) {
    case Unusable::kSavedAsUtf16:
      return "save it in Notepad with the encoding ANSI or UTF-8, then run quillar-profile passwd again";
    case Unusable::kEmpty:
    case Unusable::kNoLabelLine:
      return "write the profile with quillar-profile create, after removing or renaming this file";
    case Unusable::kUnopenable:
      return "check the file and the right to read it";
    case Unusable::kFolder:
    case Unusable::kNotPlain:
      break;
  }
  return "name the profile file itself";
}

}  // namespace

int print_scrambled_password(Platform& platform) {
  std::string reason;
  std::optional<std::string> password = new_password(platform, reason);
  if (!password) return refuse(platform, reason);
  std::optional<std::string> stored = scramble_password(OffsetTable(), *password);
  if (!stored) return refuse(platform, kUnprintable);
  platform.write_console(*stored + "\n");
  return kToolDone;
}

int create_profile(Platform& platform, const std::vector<std::string>& arguments) {
  CreateRequest request;
  std::vector<std::string> problems = read_create_request(arguments, request);
  if (!problems.empty()) {
    for (const std::string& problem : problems) say(platform, problem);
    return kToolRefused;
  }
  const std::string path = with_default_extension(request.file);
  // The entry's kind alone misses a file whose name differs in letter case
  // on the POSIX build, the open alone a file that does not open.
  const bool replaced = platform.entry_kind(path) != EntryKind::kMissing || platform.open_bytes(path);
  if (replaced) {
    if (std::optional<Refusal> refusal = refusal_to_rewrite(platform, path)) {
      return refuse(platform, refusal->text + "; nothing was written; remove or rename it first if it is really "
                                              "meant to be replaced");
    }
    if (!request.force) return refuse(platform, platform.full_path(path) + " exists; add --force to replace it");
  }
  std::string reason;
  std::optional<std::string> password = new_password(platform, reason);
  if (!password) return refuse(platform, reason);
  request.entries.password = *password;
  std::optional<std::string> content = profile_text(request.entries, OffsetTable());
  if (!content) return refuse(platform, kUnprintable);
  if (!replaced) return write_new_file(platform, path, *content);
  std::unique_ptr<ReadableFile> old = platform.open_bytes(path);
  if (!old) return cannot_write(platform, path, platform.failure_reason());
  const std::string read = read_rest(*old);
  // Windows replaces no file that is open without sharing its deletion.
  old.reset();
  return rewrite_file(platform, path, read, *content, "quillar-profile create");
}

int change_password(Platform& platform, const std::string& file) {
  const std::string path = with_default_extension(file);
  if (platform.entry_kind(path) == EntryKind::kMissing && !platform.open_bytes(path)) {
    return refuse(platform, "cannot open " + platform.full_path(path) + ": " + platform.failure_reason());
  }
  // The file is read once the password is there, however long it took to
  // type, so that what is written is the file as it stands then.
  std::string reason;
  std::optional<std::string> password = new_password(platform, reason);
  if (!password) return refuse(platform, reason);
  if (std::optional<Refusal> refusal = refusal_to_rewrite(platform, path)) {
    return refuse(platform, refusal->text + "; nothing was written; " + passwd_remedy(refusal->why));
  }
  std::unique_ptr<ReadableFile> input = platform.open_bytes(path);
  if (!input) return refuse(platform, "cannot open " + platform.full_path(path) + ": " + platform.failure_reason());
  const std::string content = read_rest(*input);
  input.reset();
  std::optional<std::string> changed = with_password(content, *password, OffsetTable());
  if (!changed) return refuse(platform, kUnprintable);
  return rewrite_file(platform, path, content, *changed, "quillar-profile passwd");
}

}  // namespace quillar
