#include "tool/global_profile_review.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "tool/option_review.h"
#include "measure/network_usage.h"
#include "base/errors.h"
#include "base/texts.h"
#include "platform/line_reader.h"
#include "profiles/global_profile.h"
#include "profiles/password.h"
#include "profiles/system_profile.h"

namespace quillar {
namespace {

constexpr int kDone = 0;
constexpr int kRefused = 2;
// PRTG shows at most this many channels of one sensor.
constexpr std::size_t kMostChannels = 50;
constexpr std::size_t kMarkerLength = kServerMarker.size();

enum class LineKind { kServer, kSensor };

// What a sensor line for `key` holds at the least, as the review suggests it.
std::string example_sensor_line(const std::string& key) {
  return key + " " + std::string(kSensorLineAllocation) + " " + std::string(kSensorLineItemKeyword) + "In-Errors";
}

// A server or sensor line as the sensor reads it.
struct MarkedLine {
  std::size_t number = 0;
  LineKind kind = LineKind::kServer;
  // Columns 9 to 18 upper-cased, filled with blanks: what the sensor
  // compares with the key.
  std::string key;
  std::string text;
  // Its key or its entries stand in another column than a person sees them:
  // what follows from the misreading is not reported again.
  bool misplaced = false;
};

// A problem, or a remark that is none, at a line of the file (0: the file
// as a whole).
struct Report {
  std::size_t line = 0;
  std::string text;
  bool problem = true;
};

std::string trimmed_right(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

std::string trimmed_left(std::string_view text) {
  std::size_t start = text.find_first_not_of(' ');
  return start == std::string_view::npos ? std::string() : std::string(text.substr(start));
}

// The key as a person reads the line: its first word after the colon, unless
// that word is already a listing or a parameter.
struct NaturalReading {
  std::string key;
  std::string rest;
};

NaturalReading read_naturally(std::string_view after_colon, LineKind kind) {
  std::string body(after_colon);
  std::replace(body.begin(), body.end(), '\t', ' ');
  body = trimmed_left(body);
  NaturalReading reading;
  std::string first = body.substr(0, body.find(' '));
  bool is_content = first.find_first_of(kind == LineKind::kServer ? "#" : "=\"") != std::string::npos;
  if (is_content) {
    reading.rest = body;
  } else {
    reading.key = first;
    reading.rest = trimmed_left(std::string_view(body).substr(first.size()));
  }
  return reading;
}

// The position after "# GSNG:" or "# GSNX:" however it was spaced or
// lettered, and which of the two it is; nothing for other lines.
std::optional<std::pair<std::size_t, LineKind>> loose_marker(const std::string& line) {
  const std::string upper = upper_case(line);
  std::size_t at = upper.find_first_not_of(" \t");
  if (at == std::string::npos || upper[at] != '#') return std::nullopt;
  at = upper.find_first_not_of(" \t", at + 1);
  if (at == std::string::npos || upper.compare(at, 3, "GSN") != 0 || at + 3 >= upper.size()) return std::nullopt;
  LineKind kind;
  if (upper[at + 3] == 'G') {
    kind = LineKind::kServer;
  } else if (upper[at + 3] == 'X') {
    kind = LineKind::kSensor;
  } else {
    return std::nullopt;
  }
  at = upper.find_first_not_of(" \t", at + 4);
  if (at == std::string::npos || upper[at] != ':') return std::nullopt;
  return std::make_pair(at + 1, kind);
}

class Review {
 public:
  Review(Platform& platform, const RunSettings& settings, const std::string& path)
      : platform_(platform),
        settings_(settings),
        path_(path),
        item_form_(upper_case(file_name(path)) == upper_case(kItemProfileName)) {}

  int run();

 private:
  static std::string file_name(const std::string& path) {
    std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
  }

  void report(std::size_t line, std::string text) { reports_.push_back(Report{line, std::move(text), true}); }
  // A remark that does not make the file wrong.
  void warn(std::size_t line, std::string text) { reports_.push_back(Report{line, std::move(text), false}); }
  bool read_lines();
  void classify(std::size_t number, const std::string& line);
  std::string canonical(LineKind kind, const NaturalReading& reading) const;
  bool concerns_asked_key(const std::string& key) const { return asked_key_.empty() || key == asked_key_; }
  void review_key(const std::string& key, const std::vector<const MarkedLine*>& lines);
  void review_listing(const std::string& key, const std::vector<const MarkedLine*>& server_lines,
                      const GlobalAllocation& allocation, std::size_t summary_line);
  void review_item(std::size_t line, const std::string& item);
  int finish();

  Platform& platform_;
  const RunSettings& settings_;
  const std::string path_;
  const bool item_form_;
  // Empty for every key.
  std::string asked_key_;
  std::vector<MarkedLine> lines_;
  std::vector<Report> reports_;
  std::vector<std::string> summary_;
};

std::string Review::canonical(LineKind kind, const NaturalReading& reading) const {
  if (item_form_) {
    std::string key = reading.key.substr(0, kServerEntriesColumn - 1 - kMarkerLength);
    key.resize(kServerEntriesColumn - 1 - kMarkerLength, ' ');
    return std::string(kItemServerMarker) + key + reading.rest;
  }
  std::string key = upper_case(reading.key.substr(0, kSensorKeyLength));
  key.resize(kSensorKeyLength, ' ');
  if (kind == LineKind::kServer) return std::string(kServerMarker) + key + "  " + reading.rest;
  return std::string(kSensorMarker) + key + " " + reading.rest;
}

void Review::classify(std::size_t number, const std::string& line) {
  const std::string marker = line.substr(0, kMarkerLength);
  std::optional<LineKind> kind;
  if (item_form_ ? marker == kItemServerMarker : upper_case(marker) == kServerMarker) kind = LineKind::kServer;
  if (!item_form_ && upper_case(marker) == kSensorMarker) kind = LineKind::kSensor;
  std::optional<std::pair<std::size_t, LineKind>> loose = loose_marker(line);

  if (!kind) {
    if (!loose || (item_form_ && loose->second == LineKind::kSensor)) return;
    NaturalReading natural = read_naturally(std::string_view(line).substr(loose->first), loose->second);
    if (!concerns_asked_key(upper_case(natural.key.substr(0, kSensorKeyLength)))) return;
    const char* what = loose->second == LineKind::kServer ? "a server line" : "a sensor line";
    report(number, std::string("looks like ") + what + ", but the sensor does not read it" +
                       (item_form_ ? " (in Orvanta.Prf a server line begins with \"" + std::string(kItemServerMarker) +
                                     "\" in exactly this letter case)"
                                   : std::string()) +
                       "; write instead: " + canonical(loose->second, natural));
    return;
  }

  MarkedLine marked{number, *kind, upper_case(line.substr(kMarkerLength, kSensorKeyLength)), line};
  marked.key.resize(kSensorKeyLength, ' ');
  if (item_form_) marked.key.clear();
  // What the sensor reads from the fixed columns, against what the line
  // means to a person who reads it.
  NaturalReading natural = read_naturally(std::string_view(line).substr(kMarkerLength - 1), *kind);
  std::string meant_key = upper_case(natural.key.substr(0, kSensorKeyLength));
  meant_key.resize(kSensorKeyLength, ' ');
  if (!concerns_asked_key(marked.key) && !concerns_asked_key(meant_key)) return;
  bool key_agrees = item_form_ || trimmed_right(marked.key) == upper_case(natural.key.substr(0, kSensorKeyLength));
  bool rest_agrees = *kind == LineKind::kServer
                         ? from_column(line, kServerEntriesColumn) == natural.rest
                         : trimmed_left(from_column(line, kSensorParametersColumn)) == natural.rest;
  marked.misplaced = !key_agrees || !rest_agrees;
  lines_.push_back(marked);
  if (marked.misplaced) {
    report(number, std::string(*kind == LineKind::kServer ? "the key or the names stand in the wrong column "
                                                            "(the key in columns 9 to 18, the names from column 21)"
                                                          : "the key or the parameters stand in the wrong column "
                                                            "(the key in columns 9 to 18, the parameters from "
                                                            "column 20)") +
                       "; write instead: " + canonical(*kind, natural));
  }
}

bool Review::read_lines() {
  std::unique_ptr<ReadableFile> file = platform_.open_text(path_);
  if (!file) {
    report(0, "cannot open " + platform_.full_path(path_) + ": " + platform_.failure_reason());
    return false;
  }
  LineReader reader(*file, kGlobalProfileLineRoom);
  if (reader.saved_as_utf16_without_mark()) {
    report(0,
           "the file is saved as UTF-16 without a byte order mark (its first line holds zero bytes), which the "
           "sensor cannot read; save it in Notepad with the encoding ANSI or UTF-8");
    return false;
  }
  if (reader.saved_as_utf16()) {
    report(0,
           "the file is saved as UTF-16, which the sensor cannot read; save it in Notepad with the encoding ANSI "
           "or UTF-8");
    return false;
  }
  if (reader.skipped_byte_order_mark()) {
    warn(0, "warning: the file starts with a UTF-8 byte order mark, which the sensor skips");
  }
  std::string piece;
  std::size_t number = 1;
  bool continued = false;
  while (reader.next_piece(piece)) {
    bool line_ends = !piece.empty() && piece.back() == '\n';
    std::string line = piece;
    strip_line_end(line);
    if (!line_ends && !continued && line.size() + 1 >= kGlobalProfileLineRoom) {
      report(number, "the line is longer than " + std::to_string(kGlobalProfileLineRoom - 1) +
                         " characters, and the sensor reads the rest as a line of its own; split it over several "
                         "lines");
    }
    classify(number, line);
    continued = !line_ends;
    if (line_ends) ++number;
  }
  return true;
}

// Names the closest of the six channels, when one is close.
std::string item_advice(const std::string& item, std::string_view keyword) {
  auto distance = [](std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
      std::size_t diagonal = row[0];
      row[0] = i;
      for (std::size_t j = 1; j <= b.size(); ++j) {
        std::size_t above = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
        diagonal = above;
      }
    }
    return row[b.size()];
  };
  std::string_view closest;
  std::size_t best = 4;
  for (std::string_view label : kChannelLabels) {
    std::size_t d = distance(upper_case(item), upper_case(label));
    if (d < best) {
      best = d;
      closest = label;
    }
  }
  if (!closest.empty()) return "write " + std::string(keyword) + std::string(closest);
  std::string all;
  for (std::string_view label : kChannelLabels) all += (all.empty() ? "" : ", ") + std::string(label);
  return "write one of " + all;
}

void Review::review_item(std::size_t line, const std::string& item) {
  if (std::optional<std::string> problem = item_problem(item, item_form_ ? kItemKeyword : kSensorLineItemKeyword)) {
    report(line, *problem);
  }
}

void Review::review_listing(const std::string& key, const std::vector<const MarkedLine*>& server_lines,
                            const GlobalAllocation& allocation, std::size_t summary_line) {
  const std::string shown_key = trimmed_right(key);
  const std::string& folder = settings_.sensor_dir;
  // The lines' entries joined as the sensor joins them, and where each
  // line's entries begin.
  std::string joined;
  std::vector<std::pair<std::size_t, std::size_t>> line_starts;
  std::set<std::size_t> misplaced;
  std::size_t previous = 0;
  for (const MarkedLine* line : server_lines) {
    if (line->misplaced) misplaced.insert(line->number);
    const std::string_view entries = from_column(line->text, kServerEntriesColumn);
    if (!joined.empty() && joined.back() != '#' && !entries.empty()) {
      report(previous, "the names do not end in \"#\", so the last one runs into the first name of line " +
                           std::to_string(line->number) + "; end them with \"#\"");
    }
    line_starts.emplace_back(joined.size(), line->number);
    joined += entries;
    previous = line->number;
  }
  auto line_of = [&](std::size_t offset) {
    std::size_t number = line_starts.front().second;
    for (const auto& [start, line] : line_starts) {
      if (start <= offset) number = line;
    }
    return number;
  };

  const std::size_t read =
      allocation.server_listing.size();
  std::size_t listed = 0;
  std::map<std::string, std::size_t> seen;
  for (std::size_t next = 0; next < joined.size();) {
    const std::size_t start = next;
    const std::size_t end = std::min(joined.find('#', next), joined.size());
    const std::string name = joined.substr(start, end - start);
    next = end + 1;
    if (++listed > read) continue;
    const std::size_t at = line_of(start);
    if (misplaced.count(at) != 0) continue;
    if (name.empty()) {
      report(at, "an empty name between two \"#\" counts as a system that does not exist; remove one \"#\"");
      continue;
    }
    auto [earlier, first_time] = seen.emplace(upper_case(name), at);
    if (!first_time) {
      report(at, name + " is listed twice for " + shown_key + " (also on line " + std::to_string(earlier->second) +
                     "); remove one");
      continue;
    }
    if (name.size() > kProfileNameRoom) {
      report(at, name + " is longer than " + std::to_string(kProfileNameRoom) +
                     " characters, and the run passes over it; rename the profile");
      continue;
    }
    std::unique_ptr<ReadableFile> profile = platform_.open_text(folder + name);
    if (!profile) {
      const std::string with_extension = with_default_extension(name);
      if (with_extension != name && platform_.open_text(folder + with_extension)) {
        report(at, name + " does not exist, but " + with_extension + " does; write " + with_extension + "#");
      } else {
        report(at, name + " does not exist (" + platform_.full_path(folder + name) +
                       "), and the run counts it among the systems only; write the profile with quillar-profile "
                       "create, or remove the name");
      }
      continue;
    }
    LogonEntries entries;
    Status valid = read_system_profile(*profile, name, ProfileUse::kGlobalRun, OffsetTable(), entries);
    if (!valid.is_ok()) {
      report(at, name + ": " + valid.text() + " (quillar-profile check " + name + " names the line at fault)");
    }
  }
  if (listed > read) {
    report(summary_line, "the listing of " + shown_key + " is longer than " +
                             std::to_string(GlobalAllocation::kServerListingRoom) +
                             " characters, and the run "
                             "passes over its last " +
                             std::to_string(listed - read) +
                             " names; give them a key "
                             "of their own");
  }
  if (read > kMostChannels) {
    report(summary_line, shown_key + " lists " + std::to_string(read) + " systems, more than the " +
                             std::to_string(kMostChannels) +
                             " channels PRTG shows for one sensor; split them over "
                             "two sensor keys");
  }
}

void Review::review_key(const std::string& key, const std::vector<const MarkedLine*>& lines) {
  const std::string shown_key = trimmed_right(key);
  std::vector<const MarkedLine*> server_lines;
  std::vector<const MarkedLine*> sensor_lines;
  for (const MarkedLine* line : lines) (line->kind == LineKind::kServer ? server_lines : sensor_lines).push_back(line);
  const std::size_t first_line = lines.front()->number;
  if (std::all_of(lines.begin(), lines.end(), [](const MarkedLine* line) { return line->misplaced; })) return;

  if (item_form_) {
    GlobalAllocation allocation;
    const std::optional<std::string>& item = settings_.options.item;
    // The listing does not depend on the item, which only the command line
    // gives.
    Status read = read_item_profile(platform_, path_, item.value_or(std::string(kChannelLabels[0])), allocation);
    if (!read.is_ok()) {
      report(first_line, "the sensor stops with \"" + read.text() + "\"");
      return;
    }
    if (item) review_item(0, *item);
    review_listing(key, server_lines, allocation, first_line);
    const std::string shown_item = item ? *item : "as " + std::string(kItemKeyword) + " names it";
    summary_.push_back("Item profile: item " + shown_item + ", systems " +
                       listed_names(allocation.server_listing));
    return;
  }

  if (sensor_lines.empty()) {
    report(first_line, "the key " + shown_key +
                           " has server lines but no sensor line, and a sensor for it stops with " +
                           error_number(Fault::kSensorNotFound) + "; add: # GSNX: " +
                           example_sensor_line(key));
    return;
  }
  const MarkedLine& sensor_line = *sensor_lines.front();
  for (std::size_t k = 1; k < sensor_lines.size(); ++k) {
    report(sensor_lines[k]->number, "a second sensor line for " + shown_key +
                                        ", which the sensor passes over (it "
                                        "reads line " +
                                        std::to_string(sensor_line.number) + "); remove one");
  }
  if (server_lines.empty()) {
    report(sensor_line.number, "the sensor line of " + shown_key +
                                   " has no server line, and the sensor stops with " +
                                   error_number(Fault::kServerListingMissing) + "; add: # GSNG: " +
                                   key + "  PRD.P00#");
    return;
  }
  GlobalAllocation allocation;
  Status read = read_global_profile(platform_, path_, shown_key, shown_key, read_sensor_line, allocation);
  const std::string parameters(from_column(sensor_line.text, kSensorParametersColumn));
  if (!read.is_ok()) {
    std::string advice;
    if (read.fault() == Fault::kItemMissing && contains(upper_case(parameters), kItemKeyword)) {
      advice = "; " + std::string(kSensorLineItemKeyword) + " is read in exactly this letter case";
    }
    report(sensor_line.number, "the sensor stops with \"" + read.text() + "\"" + advice);
    return;
  }
  review_item(sensor_line.number, allocation.item);
  if (!sensor_line.misplaced) {
    for (const std::string& note : unread_options(allocation.sensor_options, OptionPlace::kSensorLine)) {
      report(sensor_line.number, note);
    }
  }
  // The host override written in mixed case also holds the naming word.
  const std::string mixed_case_override = std::string(kHostNaming) + "=";
  if (contains(allocation.sensor_options, mixed_case_override)) {
    report(sensor_line.number, mixed_case_override + " also names the channels by host name, as " +
                                   std::string(kHostNaming) + " does; write " + std::string(kHostKeyword) +
                                   " in capitals to change the logon only");
  }
  review_listing(key, server_lines, allocation, sensor_line.number);
  static const std::map<ChannelNaming, std::string> kNaming = {{ChannelNaming::kProfileName, "profile name"},
                                                                {ChannelNaming::kAlias, "profile name without extension"},
                                                                {ChannelNaming::kHostName, "host name"},
                                                                {ChannelNaming::kDestination, "destination"}};
  summary_.push_back("Sensor " + shown_key + " (line " + std::to_string(sensor_line.number) + "): item " +
                     allocation.item + ", channels named by " + kNaming.at(allocation.channel_naming) +
                     ", options \"" + allocation.sensor_options + "\", systems " +
                     listed_names(allocation.server_listing));
}

int Review::finish() {
  for (const std::string& line : summary_) platform_.write_console(line + "\n");
  std::stable_sort(reports_.begin(), reports_.end(), [](const Report& a, const Report& b) { return a.line < b.line; });
  bool wrong = false;
  for (const Report& report : reports_) {
    wrong = wrong || report.problem;
    const std::string at = report.line == 0 ? "" : "line " + std::to_string(report.line) + ": ";
    platform_.write_error_console("quillar-profile: " + at + report.text + "\n");
  }
  return wrong ? kRefused : kDone;
}

int Review::run() {
  if (!item_form_ && !settings_.options.sensor_key.empty()) {
    asked_key_ = settings_.options.sensor_key.substr(0, kSensorKeyLength);
    asked_key_.resize(kSensorKeyLength, ' ');
  }
  if (!read_lines()) return finish();
  const OptionPlace place = item_form_ ? OptionPlace::kCommandLine : OptionPlace::kGlobalCommandLine;
  for (const std::string& note : unread_options(settings_.options.typed, place)) {
    report(0, "the command line: " + note);
  }

  // Each key with its lines, in the order of its first line.
  std::vector<std::string> keys;
  std::map<std::string, std::vector<const MarkedLine*>> lines_of;
  for (const MarkedLine& line : lines_) {
    if (lines_of[line.key].empty()) keys.push_back(line.key);
    lines_of[line.key].push_back(&line);
  }
  if (keys.empty()) {
    report(0, item_form_ ? "no server line: the sensor stops with \"" + error_text(Fault::kServerListingMissing) +
                               "\"; add: # Gsng:             PRD.P00#"
                         : "no line for the sensor key " + trimmed_right(asked_key_) + ": the sensor stops with " +
                               error_number(Fault::kSensorNotFound) +
                               "; add a sensor line and a server line, for example # GSNX: " +
                               example_sensor_line(asked_key_));
  }
  for (const std::string& key : keys) review_key(key, lines_of[key]);
  return finish();
}

}  // namespace

std::string listed_names(const std::vector<std::string>& listing) {
  std::string names;
  for (const std::string& name : listing) names += (names.empty() ? "" : ", ") + name;
  return names;
}

std::optional<std::string> item_problem(const std::string& item, std::string_view keyword) {
  for (std::string_view label : kChannelLabels) {
    if (item == label) return std::nullopt;
  }
  return "the item \"" + item + "\" is none of the six channels, so no system reports a channel; " +
         item_advice(item, keyword);
}

int review_global_profile(Platform& platform, const RunSettings& settings, const std::string& path) {
  return Review(platform, settings, path).run();
}

}  // namespace quillar
