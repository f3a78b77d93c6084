#include "profiles/profile_tool.h"

#include <map>
#include <optional>

#include "output/status.h"
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
    "       quillar-profile check FILE\n"
    "       quillar-profile scramble\n"
    "\n"
    "create    writes a system profile. The password is read from standard input\n"
    "          (asked for without echo on a terminal), never from the command line.\n"
    "          An existing FILE is replaced only with --force.\n"
    "check     reads FILE as the sensor does and prints its entries, the password\n"
    "          masked, or the sensor's error text.\n"
    "scramble  reads a password from standard input and prints the value for the\n"
    "          \"Password...:\" line of a profile.\n"
    "\n"
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

// The name of the profile within its path, as the sensor's messages show it.
std::string file_name_of(const std::string& path) {
  std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::optional<std::string> read_password(Platform& platform) {
  if (platform.input_is_terminal()) platform.write_error_console("Password: ");
  std::string password;
  if (!platform.read_secret_line(password)) return std::nullopt;
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

std::optional<std::string> scrambled_or_reason(const OffsetTable& table, const std::string& password,
                                               std::string& reason) {
  if (std::optional<std::string> problem = password_problem(password)) {
    reason = *problem;
    return std::nullopt;
  }
  std::optional<std::string> stored = scramble_password(table, password);
  if (!stored) {
    reason = "this password cannot be stored as printable text; use fewer of the characters ` { | } ~";
  }
  return stored;
}

int scramble(Platform& platform) {
  std::optional<std::string> password = read_password(platform);
  if (!password) return refuse(platform, "no password on standard input");
  std::string reason;
  std::optional<std::string> stored = scrambled_or_reason(OffsetTable(), *password, reason);
  if (!stored) return refuse(platform, reason);
  platform.write_console(*stored + "\n");
  return kDone;
}

int check(Platform& platform, const std::string& path) {
  std::unique_ptr<ReadableFile> file = platform.open_text(path);
  if (!file) return refuse(platform, "cannot open " + path);
  LogonEntries entries;
  Status read = read_system_profile(*file, file_name_of(path), false, OffsetTable(), entries);
  if (!read.is_ok()) return refuse(platform, read.text());
  std::string shown;
  for (const ProfileLabel& label : kProfileLabels) {
    const std::string& value = entries.*label.entry;
    shown += std::string(label.label) + " " +
             (label.entry == &LogonEntries::password ? std::string(8, '*') : value) + "\n";
  }
  platform.write_console(shown);
  return kDone;
}

// The entries and --force that the options give, or the reason why they
// cannot be taken.
std::optional<std::string> read_entry_options(const std::vector<std::string>& options, LogonEntries& entries,
                                              bool& force) {
  std::map<std::string, bool> given;
  for (std::size_t i = 0; i < options.size(); ++i) {
    std::string option = options[i];
    std::optional<std::string> value;
    std::size_t equals = option.find('=');
    if (equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.erase(equals);
    }
    if (option == "--force" && !value) {
      force = true;
      continue;
    }
    auto entry = kEntryOptions.find(option);
    if (entry == kEntryOptions.end()) return "unknown option " + options[i];
    if (!value) {
      if (i + 1 == options.size()) return option + " needs a value";
      value = options[++i];
    }
    entries.*entry->second = *value;
    given[option] = true;
  }
  for (const auto& [option, member] : kEntryOptions) {
    if (!given[option]) return "missing " + option;
  }
  return std::nullopt;
}

// Why the sensor would refuse an entry's value, or read it otherwise than
// it was given.
std::optional<std::string> entry_problem(const ProfileLabel& label, const std::string& value) {
  const std::string option = option_of(label.entry);
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
  return std::nullopt;
}

int create(Platform& platform, const std::string& path, const std::vector<std::string>& options) {
  LogonEntries entries;
  bool force = false;
  if (std::optional<std::string> problem = read_entry_options(options, entries, force)) {
    return refuse(platform, *problem);
  }
  for (const ProfileLabel& label : kProfileLabels) {
    if (label.entry == &LogonEntries::password) continue;
    if (std::optional<std::string> problem = entry_problem(label, entries.*label.entry)) {
      return refuse(platform, *problem);
    }
  }
  if (!force && platform.open_bytes(path)) return refuse(platform, path + " exists; add --force to replace it");

  std::optional<std::string> password = read_password(platform);
  if (!password) return refuse(platform, "no password on standard input");
  std::string reason;
  std::optional<std::string> stored = scrambled_or_reason(OffsetTable(), *password, reason);
  if (!stored) return refuse(platform, reason);
  entries.password = *stored;

  std::string content;
  for (const ProfileLabel& label : kProfileLabels) {
    content += std::string(label.label) + " " + entries.*label.entry + "\r\n";
  }
  std::unique_ptr<WritableFile> file = platform.create_bytes(path);
  if (!file || !file->write(content) || !file->close()) return refuse(platform, "cannot write " + path);
  return kDone;
}

}  // namespace

int run_profile_tool(Platform& platform, const std::vector<std::string>& arguments) {
  if (arguments.empty()) {
    platform.write_error_console(kUsage);
    return kRefused;
  }
  const std::string& command = arguments[0];
  if (command == "--help" || command == "-h" || command == "help") {
    platform.write_console(kUsage);
    return kDone;
  }
  if (command == "scramble" && arguments.size() == 1) return scramble(platform);
  if (command == "check" && arguments.size() == 2) return check(platform, arguments[1]);
  if (command == "create" && arguments.size() >= 2 && arguments[1].rfind("--", 0) != 0) {
    return create(platform, arguments[1], {arguments.begin() + 2, arguments.end()});
  }
  platform.write_error_console(kUsage);
  return kRefused;
}

}  // namespace quillar
