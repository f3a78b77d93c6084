// The landscape file of the stand-ins, shared by both.
#include "landscape.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rfcsim {

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string trim(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
}

std::string without_trailing_blanks(const std::string& text) {
  std::size_t last = text.find_last_not_of(' ');
  return last == std::string::npos ? "" : text.substr(0, last + 1);
}

bool same_ignoring_case(const std::string& a, const std::string& b) { return lower(a) == lower(b); }

std::FILE* open_here(const char* name, const char* mode, const char* folder) {
  const std::string path = std::string(folder) + "/" + name;
  std::FILE* file = std::fopen(path.c_str(), mode);
#ifndef _WIN32
  if (file == nullptr) {
    if (DIR* listing = ::opendir(folder)) {
      while (const dirent* entry = ::readdir(listing)) {
        if (::strcasecmp(entry->d_name, name) == 0) {
          file = std::fopen((std::string(folder) + "/" + entry->d_name).c_str(), mode);
          break;
        }
      }
      ::closedir(listing);
    }
    if (file == nullptr && mode[0] != 'r') file = std::fopen(path.c_str(), mode);
  }
#endif
  return file;
}

namespace {

std::vector<std::string> lines_of_file(std::FILE* file, bool& found) {
  std::vector<std::string> lines;
  found = file != nullptr;
  if (file == nullptr) return lines;
  std::string content;
  char block[4096];
  std::size_t n = 0;
  do {
    n = std::fread(block, 1, sizeof block, file);
    content.append(block, n);
  } while (n == sizeof block);
  std::fclose(file);
  for (std::size_t start = 0; start < content.size();) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    lines.emplace_back(content, start, end - start);
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::vector<std::string> lines_of(const char* name, bool& found, const char* folder) {
  return lines_of_file(open_here(name, "rb", folder), found);
}

std::vector<std::string> lines_at(const std::string& path, bool& found) {
  if (path.find_first_of("/\\") == std::string::npos) return lines_of(path.c_str(), found);
  return lines_of_file(std::fopen(path.c_str(), "rb"), found);
}

std::string environment_value(const char* name) {
#ifdef _WIN32
  char value[4096];
  const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
#else
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
#endif
}

const FunctionField kLanFunctionFields[21] = {
    {"LOCAL_REMOTE", {FieldKind::kChar, 6}, nullptr, true, false},
    {"LOGICAL_DESTINATION", {FieldKind::kChar, 32}, nullptr, true, false},
    {"ACTIVEFLAG", {FieldKind::kInt, 4}, "1", false, false},
    {"DETAILSCOLL", {FieldKind::kInt, 4}, "0", false, false},
    {"DETAILSMODE", {FieldKind::kInt, 4}, "0", false, false},
    {"DETAILSREQI", {FieldKind::kInt, 4}, "0", false, false},
    {"F_LAN_SINGLE_READ", {FieldKind::kChar, 3}, "X", false, false},
    {"INTERVAL", {FieldKind::kInt, 4}, "10", false, false},
    {"LASTCOLLINT", {FieldKind::kInt, 4}, "10", false, false},
    {"LASTCOLLWRT", {FieldKind::kChar, 25}, "20261210064500", false, false},
    {"NORMCOLLINT", {FieldKind::kInt, 4}, "10", false, false},
    {"TYPE", {FieldKind::kInt2, 2}, nullptr, false, true},
    {"SUBTYPE", {FieldKind::kInt2, 2}, nullptr, false, true},
    {"SERIALNR", {FieldKind::kInt2, 2}, nullptr, false, true},
    {"LANNAME", {FieldKind::kChar, 8}, nullptr, false, true},
    {"IN_PACKETS", {FieldKind::kInt, 4}, nullptr, false, true},
    {"OUT_PACKET", {FieldKind::kInt, 4}, nullptr, false, true},
    {"IN_ERRORS", {FieldKind::kInt, 4}, nullptr, false, true},
    {"OUT_ERRORS", {FieldKind::kInt, 4}, nullptr, false, true},
    {"COLLISIONS", {FieldKind::kInt, 4}, nullptr, false, true},
    {"PACKETS", {FieldKind::kInt, 4}, nullptr, false, true},
};

namespace {

const FunctionField* function_field(const std::string& name) {
  for (const FunctionField& field : kLanFunctionFields) {
    // The first letters tell most names apart, without a length to count.
    if (!name.empty() && name[0] == field.name[0] && name == field.name) return &field;
  }
  return nullptr;
}

bool parse_int64(const std::string& text, std::int64_t& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long number = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE) return false;
  value = number;
  return true;
}

}  // namespace

bool parse_decimal(const std::string& text, Decimal& decimal) {
  decimal = Decimal{};
  std::size_t at = 0;
  if (at < text.size() && text[at] == '-') {
    decimal.negative = true;
    ++at;
  }
  const std::size_t point = text.find('.', at);
  decimal.whole = text.substr(at, point == std::string::npos ? std::string::npos : point - at);
  if (point != std::string::npos) decimal.fraction = text.substr(point + 1);
  const bool digits_only = decimal.whole.find_first_not_of("0123456789") == std::string::npos &&
                           decimal.fraction.find_first_not_of("0123456789") == std::string::npos;
  if (!digits_only || (decimal.whole.empty() && decimal.fraction.empty())) return false;
  if (point != std::string::npos && decimal.fraction.empty()) return false;
  const std::size_t significant = decimal.whole.find_first_not_of('0');
  decimal.whole.erase(0, significant == std::string::npos ? decimal.whole.size() : significant);
  return true;
}

bool holds(const FieldType& type, const std::string& value) {
  std::int64_t number = 0;
  Decimal decimal;
  switch (type.kind) {
    case FieldKind::kChar:
      return value.size() <= type.length;
    case FieldKind::kNumc:
      return !value.empty() && value.size() <= type.length && value.find_first_not_of("0123456789") == std::string::npos;
    case FieldKind::kInt1:
      return parse_int64(value, number) && number >= 0 && number <= 255;
    case FieldKind::kInt2:
      return parse_int64(value, number) && number >= INT16_MIN && number <= INT16_MAX;
    case FieldKind::kInt:
      return parse_int64(value, number) && number >= INT32_MIN && number <= INT32_MAX;
    case FieldKind::kInt8:
      return parse_int64(value, number);
    case FieldKind::kBcd:
      return parse_decimal(value, decimal) && decimal.whole.size() + type.decimals <= 2 * type.length - 1 &&
             decimal.fraction.size() <= type.decimals;
    case FieldKind::kFloat: {
      char* end = nullptr;
      errno = 0;
      const double floating = value.empty() ? 0 : std::strtod(value.c_str(), &end);
      return !value.empty() && *end == '\0' && errno != ERANGE && std::isfinite(floating);
    }
  }
  return false;
}

FieldType field_type(const System& system, const std::string& name) {
  auto declared = system.fields.find(name);
  if (declared != system.fields.end()) return declared->second;
  const FunctionField* field = function_field(name);
  return field != nullptr ? field->classic : FieldType{};
}

namespace {

void complain(std::size_t line_number, const std::string& what, const std::string& line) {
  std::fprintf(stderr, "%s:%zu: %s, line ignored: %s\n", kLandscapeFile, line_number, what.c_str(),
               line.c_str());
}

bool parse_int32(const std::string& text, std::int32_t& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  long long number = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || number < INT32_MIN || number > INT32_MAX) return false;
  value = static_cast<std::int32_t>(number);
  return true;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> result;
  std::size_t at = 0;
  while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
    std::size_t end = text.find_first_of(" \t", at);
    result.push_back(text.substr(at, end - at));
    at = end;
  }
  return result;
}

bool parse_outcome(const std::string& value, bool receive, Outcome& outcome) {
  std::vector<std::string> parts = words(value);
  if (parts.empty()) return false;
  std::string kind = lower(parts[0]);
  std::int32_t code = 0;
  if (kind == "ok" && parts.size() == 1 && receive) {
    outcome = Outcome{};
  } else if (kind == "failure" && parts.size() == 1) {
    outcome = Outcome{kFailure, ""};
  } else if (kind == "code" && parts.size() == 2 && parse_int32(parts[1], code)) {
    outcome = Outcome{code, "", true};
  } else if (receive && (kind == "exception" || kind == "sys-exception") && parts.size() >= 2) {
    std::string name = trim(value.substr(value.find(parts[0]) + parts[0].size()));
    outcome = Outcome{kind == "exception" ? kException : kSystemException, name};
  } else {
    return false;
  }
  return true;
}

enum class KeyResult { kTaken, kBadValue, kUnknownKey };

// Takes "field NAME = TYPE LENGTH", or "field NAME = BCD LENGTH DECIMALS",
// of a system. A type that cannot hold the value that the call returns in
// the field is refused.
bool apply_field(System& system, const std::string& name, const std::string& value) {
  static const struct {
    const char* name;
    FieldKind kind;
    unsigned bytes;  // the only length of the type; 0 when it has a range
  } kKinds[] = {{"CHAR", FieldKind::kChar, 0},  {"NUMC", FieldKind::kNumc, 0}, {"INT", FieldKind::kInt, 4},
                {"INT1", FieldKind::kInt1, 1},  {"INT2", FieldKind::kInt2, 2}, {"INT8", FieldKind::kInt8, 8},
                {"BCD", FieldKind::kBcd, 0},    {"FLOAT", FieldKind::kFloat, 8}};
  const FunctionField* field = function_field(name);
  std::vector<std::string> parts = words(value);
  std::int32_t length = 0;
  std::int32_t decimals = 0;
  const bool packed = !parts.empty() && parts[0] == "BCD";
  if (field == nullptr || parts.size() != (packed ? 3u : 2u) || !parse_int32(parts[1], length) || length < 1 ||
      length > 65535) {
    return false;
  }
  // The dictionary's packed numbers have at most 31 digits, 14 of them
  // decimals.
  if (packed && (length > 16 || !parse_int32(parts[2], decimals) || decimals < 0 || decimals > 14 ||
                 decimals > 2 * length - 1)) {
    return false;
  }
  for (const auto& kind : kKinds) {
    if (parts[0] != kind.name || (kind.bytes != 0 && static_cast<unsigned>(length) != kind.bytes)) continue;
    FieldType type{kind.kind, static_cast<unsigned>(length), static_cast<unsigned>(decimals)};
    if (field->exporting_value != nullptr && !holds(type, field->exporting_value)) return false;
    system.fields[name] = type;
    return true;
  }
  return false;
}

// Whether a field of this type holds the number, as holds() has it for the
// number in decimal; an integer type is asked without writing it out.
bool holds_number(const FieldType& type, std::int64_t number) {
  switch (type.kind) {
    case FieldKind::kInt1:
      return number >= 0 && number <= 255;
    case FieldKind::kInt2:
      return number >= INT16_MIN && number <= INT16_MAX;
    case FieldKind::kInt:
      return number >= INT32_MIN && number <= INT32_MAX;
    case FieldKind::kInt8:
      return true;
    case FieldKind::kChar:
    case FieldKind::kNumc:
    case FieldKind::kBcd:
    case FieldKind::kFloat:
      break;
  }
  return holds(type, std::to_string(number));
}

// The LAN lines whose values the system's fields cannot hold are dropped.
void drop_lan_lines_that_do_not_fit(System& system) {
  if (system.lan.empty()) return;
  // The types are the system's, the same for each of its lines.
  const FieldType name_type = field_type(system, "LANNAME");
  FieldType counter_types[6];
  for (int k = 0; k < 6; ++k) counter_types[k] = field_type(system, kCounterFields[k]);
  std::vector<LanLine> fitting;
  for (LanLine& lan : system.lan) {
    bool fits = holds(name_type, lan.name);
    for (int k = 0; fits && k < 6; ++k) fits = holds_number(counter_types[k], lan.counters[k]);
    if (fits) {
      fitting.push_back(std::move(lan));
    } else {
      complain(lan.line_number, "bad value for lan", "lan = " + lan.name + " ...");
    }
  }
  system.lan = std::move(fitting);
}

// Takes one "key = value" line of a system.
KeyResult apply_key(System& system, const std::string& key, const std::string& value, std::size_t line_number) {
  bool good = true;
  if (key == "ashost") {
    system.ashost = value;
  } else if (key == "sysnr") {
    std::int32_t sysnr = 0;
    good = parse_int32(value, sysnr) && sysnr >= 0;
    if (good) system.sysnr = sysnr;
  } else if (key == "gwhost") {
    system.gwhost = value;
  } else if (key == "gwserv") {
    system.gwserv = value;
  } else if (key == "client") {
    system.client = value;
  } else if (key == "user") {
    system.user = value;
  } else if (key == "password") {
    system.password = value;
  } else if (key == "lan") {
    // Whether the values fit the fields is settled once the whole system
    // is read, with its field lines.
    std::vector<std::string> parts = words(value);
    LanLine lan;
    good = parts.size() == 7;
    for (std::size_t k = 0; good && k < 6; ++k) good = parse_int64(parts[k + 1], lan.counters[k]);
    if (good) {
      lan.name = parts[0];
      lan.line_number = line_number;
      system.lan.push_back(lan);
    }
  } else if (key.rfind("field ", 0) == 0) {
    good = apply_field(system, key.substr(6), value);
  } else if (key == "call") {
    good = parse_outcome(value, false, system.call);
  } else if (key == "receive") {
    good = parse_outcome(value, true, system.receive);
  } else if (key == "fail") {
    good = value == "RfcInstallStructure" || value == "ItCreate" || value == "ItGetLine" || value == "ItDelete";
    if (good) system.fail.insert(value);
  } else if (key == "fill") {
    char* end = nullptr;
    long long count = std::strtoll(value.c_str(), &end, 10);
    good = !value.empty() && *end == '\0' && count >= 0 && count <= 0xFFFFFFFFLL;
    if (good) system.claimed_fill = count;
  } else if (key == "delay") {
    std::int32_t delay = 0;
    good = parse_int32(value, delay) && delay >= 0;
    if (good) system.delay_ms = delay;
  } else if (key == "hang") {
    good = value == "RfcOpen" || value == "RfcOpenEx" || value == "RfcCall" || value == "RfcReceive";
    if (good) system.hang.insert(value);
  } else if (key == "leave") {
    good = !value.empty() && value.size() <= 64 && value.find_first_of("/\\:") == std::string::npos &&
           value != "." && value != "..";
    if (good) system.leave.push_back(value);
  } else if (key == "abort") {
    good = value == "RfcOpen" || value == "RfcOpenEx" || value == "RfcCall" || value == "RfcReceive";
    if (good) system.abort.insert(value);
  } else {
    return KeyResult::kUnknownKey;
  }
  return good ? KeyResult::kTaken : KeyResult::kBadValue;
}

// The working directory as an absolute path; empty when it cannot be told.
std::string working_directory() {
  char path[4096];
#ifdef _WIN32
  DWORD length = GetCurrentDirectoryA(sizeof path, path);
  if (length == 0 || length >= sizeof path) return "";
#else
  if (::getcwd(path, sizeof path) == nullptr) return "";
#endif
  return path;
}

// Whether this program works in one of the scratch folders ("Quillar.", a
// process number, ".", lower-case hex digits) in which the sensor's child
// runs work below their run's working directory. Only there is the landscape
// taken from the folder above; everywhere else a folder without one has none.
bool works_in_scratch_folder() {
  std::string name = working_directory();
  name.erase(0, name.find_last_of("\\/") + 1);
  const std::string prefix = "Quillar.";
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  name.erase(0, prefix.size());
  const std::size_t dot = name.find('.');
  if (dot == 0 || dot == std::string::npos || dot + 1 == name.size()) return false;
  for (std::size_t k = 0; k < name.size(); ++k) {
    const char c = name[k];
    const bool digit = c >= '0' && c <= '9';
    if (k == dot) continue;
    if (k < dot ? !digit : !(digit || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

std::vector<System> parse_landscape(bool& found, std::string& looked_in) {
  std::vector<std::string> lines = lines_of(kLandscapeFile, found);
  looked_in = working_directory();
  if (!found && works_in_scratch_folder()) {
    lines = lines_of(kLandscapeFile, found, "..");
    looked_in += " nor in the folder above";
  }
  std::vector<System> systems;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::size_t number = i + 1;
    std::string line = trim(lines[i]);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']' || line.size() < 3) {
        complain(number, "bad section", line);
        continue;
      }
      systems.push_back(System{});
      systems.back().name = line.substr(1, line.size() - 2);
      continue;
    }
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      complain(number, "no key = value", line);
      continue;
    }
    if (systems.empty()) {
      complain(number, "no [system] before it", line);
      continue;
    }
    // A field's name keeps its case: "field IN_PACKETS".
    std::string key = trim(line.substr(0, equals));
    std::size_t first_blank = key.find_first_of(" \t");
    key = lower(key.substr(0, first_blank)) +
          (first_blank == std::string::npos ? "" : " " + trim(key.substr(first_blank)));
    KeyResult result = apply_key(systems.back(), key, trim(line.substr(equals + 1)), number);
    if (result == KeyResult::kUnknownKey) complain(number, "unknown key " + key, line);
    if (result == KeyResult::kBadValue) complain(number, "bad value for " + key, line);
  }
  for (System& system : systems) drop_lan_lines_that_do_not_fit(system);
  return systems;
}

}  // namespace

const std::vector<System>& Landscape::systems() {
  std::vector<System>& cached = systems_;
  std::string& cached_stamp = stamp_;
  std::string stamp;
#ifndef _WIN32
  struct stat info;
  if (::stat(kLandscapeFile, &info) == 0 ||
      (works_in_scratch_folder() && ::stat((std::string("../") + kLandscapeFile).c_str(), &info) == 0)) {
    stamp = std::to_string(info.st_ino) + ":" + std::to_string(info.st_size) + ":" +
            std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
  }
#endif
  if (stamp.empty() || stamp != cached_stamp) {
    cached = parse_landscape(found_, looked_in_);
    cached_stamp = stamp;
  }
  return cached;
}

std::string no_landscape_message(const char* vendor_library, const Landscape& landscape) {
  return std::string("Quillar's stand-in for trials, not ") + vendor_library +
         ", which belongs in its place on a probe; it reaches only the systems of " + kLandscapeFile +
         " and found none in " + landscape.looked_in();
}

const System* system_at(const std::vector<System>& systems, const std::string& ashost, long sysnr) {
  for (const System& system : systems) {
    if (!system.ashost.empty() && same_ignoring_case(system.ashost, ashost) && system.sysnr == sysnr) {
      return &system;
    }
  }
  return nullptr;
}

void sleep_ms(long milliseconds) {
#ifdef _WIN32
  Sleep(static_cast<DWORD>(milliseconds));
#else
  timespec pause{static_cast<time_t>(milliseconds / 1000), (milliseconds % 1000) * 1000000};
  ::nanosleep(&pause, nullptr);
#endif
}

void hang_if(const System& system, const char* operation) {
  while (system.hang.count(operation) != 0) sleep_ms(60000);
}

void pause_for(const System& system, const char* operation) {
  hang_if(system, operation);
  if (system.delay_ms > 0) sleep_ms(system.delay_ms);
}

std::string outcome_message(const Outcome& outcome, const char* operation) {
  if (outcome.code == kException) return "Exception " + outcome.exception + " raised";
  if (outcome.code == kSystemException) return "System exception " + outcome.exception + " raised";
  return std::string(operation) + " failed with code " + std::to_string(outcome.code);
}

}  // namespace rfcsim

// Exported by both stand-ins, so that a program that loads one knows it for
// a stand-in (the name is the sensor's kStandInMarker).
#ifdef _WIN32
extern "C" __declspec(dllexport) int QuillarStandInForTrials(void) { return 1; }
#else
extern "C" int QuillarStandInForTrials(void) { return 1; }
#endif
