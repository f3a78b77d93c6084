#include "tool/profile_writing.h"

#include <optional>

#include "profiles/password.h"
#include "profiles/profile_writer.h"
#include "profiles/system_profile.h"
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

// Writes a temporary file beside the profile and renames it over the
// profile, so that a crash or a full disk midway leaves the profile as it
// was.
int write_file(Platform& platform, const std::string& path, const std::string& content) {
  const std::string temporary = unused_temporary_name(platform, path);
  std::unique_ptr<WritableFile> file = temporary.empty() ? nullptr : platform.create_bytes(temporary);
  bool written = file && file->write(content);
  written = file && file->close() && written;
  file.reset();
  if (!written || !platform.replace_file(temporary, path)) {
    const std::string reason = platform.failure_reason();
    platform.delete_file(temporary);
    return refuse(platform, "cannot write " + platform.full_path(path) + ": " + reason + "; nothing was changed");
  }
  platform.write_console("wrote " + platform.full_path(path) + "\n");
  return kToolDone;
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
  if (!request.force && platform.open_bytes(path)) {
    return refuse(platform, platform.full_path(path) + " exists; add --force to replace it");
  }
  std::string reason;
  std::optional<std::string> password = new_password(platform, reason);
  if (!password) return refuse(platform, reason);
  request.entries.password = *password;
  std::optional<std::string> content = profile_text(request.entries, OffsetTable());
  if (!content) return refuse(platform, kUnprintable);
  return write_file(platform, path, *content);
}

int change_password(Platform& platform, const std::string& file) {
  const std::string path = with_default_extension(file);
  std::unique_ptr<ReadableFile> input = platform.open_bytes(path);
  if (!input) return refuse(platform, "cannot open " + platform.full_path(path) + ": " + platform.failure_reason());
  std::string content = read_rest(*input);
  input.reset();

  std::string reason;
  std::optional<std::string> password = new_password(platform, reason);
  if (!password) return refuse(platform, reason);
  std::optional<std::string> changed = with_password(std::move(content), *password, OffsetTable());
  if (!changed) return refuse(platform, kUnprintable);
  return write_file(platform, path, *changed);
}

}  // namespace quillar
