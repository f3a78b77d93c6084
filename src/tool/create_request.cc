#include "tool/create_request.h"

#include <map>
#include <optional>

#include "base/texts.h"

namespace quillar {
namespace {

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

bool all_of_kind(const std::string& value, bool (*kind)(char)) {
  for (char c : value) {
    if (!kind(c)) return false;
  }
  return true;
}
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

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

// Why the sensor could never find a profile of the name `file`: PRTG's
// parameters field drops the blanks at the ends of what is typed, and a
// name is typed there without its extension, so a blank at either end of
// the name, or before its extension, never reaches the sensor.
std::optional<std::string> file_name_problem(const std::string& file) {
  const std::size_t separator = file.find_last_of("\\/");
  const std::size_t name_start = separator == std::string::npos ? 0 : separator + 1;
  const std::string name(without_blanks_at_ends(file.substr(name_start)));
  const bool has_extension = name.size() >= 4 && name[name.size() - 4] == '.';
  const std::string meant = has_extension ? std::string(without_blanks_at_ends(name.substr(0, name.size() - 4))) +
                                                name.substr(name.size() - 4)
                                          : name;
  if (meant == file.substr(name_start)) return std::nullopt;
  if (meant.empty() || meant.front() == '.') return "FILE \"" + file + "\" names no file";
  return "FILE \"" + file + "\" has a blank at an end of its name, which the sensor's parameters in PRTG cannot "
         "carry, so the sensor would never find the profile; write \"" + file.substr(0, name_start) + meant +
         "\" instead";
}

// What is missing or wrong once every argument has been read.
void check_request(std::map<std::string, bool>& given, const CreateRequest& request,
                   std::vector<std::string>& problems) {
  if (request.file.empty()) problems.push_back("missing FILE");
  if (std::optional<std::string> problem = file_name_problem(request.file); problem && !request.file.empty()) {
    problems.push_back(*problem);
  }
  for (const auto& [option, member] : kEntryOptions) {
    if (!given[option]) problems.push_back("missing " + option);
  }
  for (const ProfileLabel& label : kProfileLabels) {
    if (label.entry == &LogonEntries::password || !given[option_of(label.entry)]) continue;
    if (std::optional<std::string> problem = entry_problem(label, request.entries.*label.entry)) {
      problems.push_back(*problem);
    }
  }
}

}  // namespace

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
  check_request(given, request, problems);
  return problems;
}

}  // namespace quillar
