#include "tool/profile_tool.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>

#include "tool/profile_inspection.h"
#include "driver/version.h"
#include "base/status.h"
#include "profiles/password.h"
#include "profiles/system_profile.h"

namespace quillar {
namespace {

constexpr int kDone = 0;
constexpr int kRefused = 2;

constexpr char kUsage[] =
    "usage: quillar-profile create FILE --destination DEST --client CLIENT --user USER\n"
    "                              --language LANG --mode MODE --host HOST --sysnr SYSNR\n"
    "                              --gwhost GWHOST --gwservice GWSERVICE --extcompany COMPANY\n"
    "                              [--force]\n"
    "       quillar-profile passwd FILE\n"
    "       quillar-profile check NAME [OPTIONS [MORE-OPTIONS]]\n"
    "       quillar-profile check GLOBAL [KEY]\n"
    "       quillar-profile locate NAME [OPTIONS [MORE-OPTIONS]]\n"
    "       quillar-profile explain \"PARAMETERS\"\n"
    "       quillar-profile scramble\n"
    "       quillar-profile --version\n"
    "\n"
    "create    writes a system profile; FILE and the options may come in any order,\n"
    "          and a FILE without an extension gets \".P00\", as the sensor reads it.\n"
    "          The password is read from standard input (asked for twice without\n"
    "          echo on a terminal), never from the command line. An existing FILE\n"
    "          is replaced only with --force.\n"
    "passwd    replaces the password of an existing profile; every other line stays.\n"
    "check     reads the profile that the sensor, started here with these\n"
    "          arguments, would read (a NAME with a folder is opened there) and\n"
    "          prints its entries, the password masked; or the sensor's error text\n"
    "          and the line at fault. Warns of a byte order mark, UTF-16, tabs and\n"
    "          trailing blanks. For a global profile (GLOBAL, SAP Orvanta.Gbl,\n"
    "          Orvanta.Prf), of the sensor KEY or of every key: each name, column,\n"
    "          key, item and option the run would not read as meant, with the line\n"
    "          and what to write instead. Exits with 0 only when nothing is wrong.\n"
    "locate    shows how the sensor, started here with these arguments, would find\n"
    "          the profile NAME: C:\\PRTG_Path.Txt, each path tried, the outcome.\n"
    "explain   takes the parameters as typed into PRTG and shows how the sensor\n"
    "          reads them: the arguments, the profile and where it is looked for,\n"
    "          the mode, each option, and what the sensor passes over.\n"
    "scramble  reads a password from standard input and prints the value for the\n"
    "          \"Password...:\" line of a profile.\n"
    "\n"
    "Client: 3 digits. System number: 2 digits. Language: 1 or 2 letters. Mode: R/3,\n"
    "or R/2 for a logon through a gateway. No value begins or ends with a blank.\n"
    "Passwords hold 2 to 20 printable ASCII characters.\n";

// The option of each entry, sorted by option name; the profile's lines
// follow kProfileLabels instead.
const std::map<std::string, std::string LogonEntries::*> kEntryOptions = {
    {"--destination", &LogonEntries::destination}, {"--client", &LogonEntries::client},
    {"--user", &LogonEntries::user},               {"--language", &LogonEntries::language},
    {"--mode", &LogonEntries::mode},               {"--host", &LogonEntries::hostname},
    {"--sysnr", &LogonEntries::sysnr},             {"--gwhost", &LogonEntries::gwhost},
    {"--gwservice", &LogonEntries::gwservice},     {"--extcompany", &LogonEntries::extcompany},
};

std::string option_of(std::string LogonEntries::*entry) {
  for (const auto& [option, member] : kEntryOptions) {
    if (member == entry) return option;
  }
  return "--password";
}

int refuse(Platform& platform, const std::string& reason) {
  platform.write_error_console("quillar-profile: " + reason + "\n");
  return kRefused;
}

int refuse_all(Platform& platform, const std::vector<std::string>& reasons) {
  for (const std::string& reason : reasons) refuse(platform, reason);
  return kRefused;
}

bool all_of_kind(const std::string& value, bool (*kind)(char)) {
  for (char c : value) {
    if (!kind(c)) return false;
  }
  return true;
}
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

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

// The stored form of a new password, or why there is none.
std::optional<std::string> stored_password(Platform& platform, std::string& reason) {
  std::optional<std::string> password = read_new_password(platform, reason);
  if (!password) return std::nullopt;
  if (std::optional<std::string> problem = password_problem(*password)) {
    reason = *problem;
    return std::nullopt;
  }
  std::optional<std::string> stored = scramble_password(OffsetTable(), *password);
  if (!stored) reason = "this password cannot be stored as printable text; use fewer of the characters ` { | } ~";
  return stored;
}

int scramble(Platform& platform) {
  std::string reason;
  std::optional<std::string> stored = stored_password(platform, reason);
  if (!stored) return refuse(platform, reason);
  platform.write_console(*stored + "\n");
  return kDone;
}

// Why the sensor would refuse an entry's value, or read it otherwise than
// it was given.
std::optional<std::string> entry_problem(const ProfileLabel& label, const std::string& value) {
  const std::string option = option_of(label.entry);
  const std::string LogonEntries::*entry = label.entry;
  if (entry == &LogonEntries::mode && value != "R/3" && value != "R/2") return option + " must be R/3 or R/2";
  if (value.size() < label.shortest) {
    return option + " needs at least " + std::to_string(label.shortest) + " character" +
           (label.shortest == 1 ? "" : "s");
  }
  if (value.size() > readable_room(label)) {
    return option + " may hold at most " + std::to_string(readable_room(label)) + " characters";
  }
  // The sensor reads blanks as part of the value, so a blank typed by
  // mistake would log on with another value than the one intended.
  if (value.front() == ' ' || value.back() == ' ') return option + " must not begin or end with a blank";
  if (value.find_first_of("\r\n") != std::string::npos) return option + " must not hold a line end";
  if (entry == &LogonEntries::client && (value.size() != 3 || !all_of_kind(value, is_digit))) {
    return option + " must be 3 digits, for example 100";
  }
  if (entry == &LogonEntries::sysnr && (value.size() != 2 || !all_of_kind(value, is_digit))) {
    return option + " must be 2 digits, for example 00";
  }
  if (entry == &LogonEntries::language && (value.size() > 2 || !all_of_kind(value, is_letter))) {
    return option + " must be 1 or 2 letters, for example E or EN";
  }
  return std::nullopt;
}

struct CreateRequest {
  std::string file;
  LogonEntries entries;
  bool force = false;
};

// Reads the arguments of create in any order; gives every problem at once.
std::vector<std::string> read_create_request(const std::vector<std::string>& arguments, CreateRequest& request) {
  std::vector<std::string> problems;
  std::map<std::string, bool> given;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string option = arguments[i];
    if (option.rfind("--", 0) != 0) {
      if (!request.file.empty()) problems.push_back("one FILE only: " + request.file + " and " + option);
      request.file = option;
      continue;
    }
    std::optional<std::string> value;
    std::size_t equals = option.find('=');
    if (equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.erase(equals);
    }
    if (given[option]) {
      problems.push_back(option + " is given twice");
      if (!value && option != "--force" && i + 1 < arguments.size()) ++i;
      continue;
    }
    if (option == "--force" && !value) {
      request.force = true;
      given[option] = true;
      continue;
    }
    auto entry = kEntryOptions.find(option);
    if (entry == kEntryOptions.end()) {
      problems.push_back("unknown option " + arguments[i]);
      continue;
    }
    if (!value) {
      if (i + 1 == arguments.size()) {
        problems.push_back(option + " needs a value");
        continue;
      }
      value = arguments[++i];
    }
    request.entries.*entry->second = *value;
    given[option] = true;
  }
  if (request.file.empty()) problems.push_back("missing FILE");
  for (const auto& [option, member] : kEntryOptions) {
    if (!given[option]) problems.push_back("missing " + option);
  }
  for (const ProfileLabel& label : kProfileLabels) {
    if (label.entry == &LogonEntries::password || !given[option_of(label.entry)]) continue;
    if (std::optional<std::string> problem = entry_problem(label, request.entries.*label.entry)) {
      problems.push_back(*problem);
    }
  }
  return problems;
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
  return kDone;
}

int create(Platform& platform, const std::vector<std::string>& arguments) {
  CreateRequest request;
  std::vector<std::string> problems = read_create_request(arguments, request);
  if (!problems.empty()) return refuse_all(platform, problems);
  const std::string path = with_default_extension(request.file);
  if (!request.force && platform.open_bytes(path)) {
    return refuse(platform, platform.full_path(path) + " exists; add --force to replace it");
  }
  std::string reason;
  std::optional<std::string> stored = stored_password(platform, reason);
  if (!stored) return refuse(platform, reason);
  request.entries.password = *stored;

  std::string content;
  for (const ProfileLabel& label : kProfileLabels) {
    content += std::string(label.label) + " " + request.entries.*label.entry + "\r\n";
  }
  return write_file(platform, path, content);
}

// Replaces the value of the password line, keeping every other byte; a
// profile without one gets one at its end, with the file's own line end.
int change_password(Platform& platform, const std::string& file) {
  const std::string path = with_default_extension(file);
  std::unique_ptr<ReadableFile> input = platform.open_bytes(path);
  if (!input) return refuse(platform, "cannot open " + platform.full_path(path) + ": " + platform.failure_reason());
  std::string content = read_rest(*input);
  input.reset();

  std::string reason;
  std::optional<std::string> stored = stored_password(platform, reason);
  if (!stored) return refuse(platform, reason);
  const std::string label = "Password...:";
  std::size_t at = content.rfind(label, 0) == 0 ? 0 : content.find("\n" + label);
  if (at == std::string::npos) {
    std::string line_end = content.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    if (!content.empty() && content.back() != '\n') content += line_end;
    content += label + " " + *stored + line_end;
  } else {
    std::size_t start = at == 0 ? 0 : at + 1;
    std::size_t end = content.find_first_of("\r\n", start);
    content.replace(start, (end == std::string::npos ? content.size() : end) - start, label + " " + *stored);
  }
  return write_file(platform, path, content);
}

bool asks_for_help(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") return true;
  }
  return false;
}

}  // namespace

int run_profile_tool(Platform& platform, const std::vector<std::string>& arguments) {
  if (arguments.empty()) {
    platform.write_error_console(kUsage);
    return kRefused;
  }
  const std::string& command = arguments[0];
  if (command == "--version") {
    platform.write_console(std::string("quillar-profile ") + build_version() + "\n");
    return kDone;
  }
  if (command == "help" || asks_for_help(arguments)) {
    platform.write_console(kUsage);
    return kDone;
  }
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  if (command == "scramble" && rest.empty()) return scramble(platform);
  if (command == "check" && !rest.empty()) return check_profile(platform, rest);
  if (command == "passwd" && rest.size() == 1) return change_password(platform, rest[0]);
  if (command == "locate" && !rest.empty()) return locate_profile_for(platform, rest);
  if (command == "explain" && rest.size() == 1) return explain_parameters(platform, rest[0]);
  if (command == "create" && !rest.empty()) return create(platform, rest);
  static const char* const kCommands[] = {"create", "passwd", "check", "locate", "explain", "scramble"};
  if (std::find(std::begin(kCommands), std::end(kCommands), command) == std::end(kCommands)) {
    platform.write_error_console("quillar-profile: unknown command " + command + "\n");
  }
  platform.write_error_console(kUsage);
  return kRefused;
}

}  // namespace quillar
