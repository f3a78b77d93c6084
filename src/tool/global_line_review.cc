#include "tool/global_line_review.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "base/texts.h"

namespace quillar {
namespace {

constexpr std::size_t kMarkerLength = kServerMarker.size();

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

NaturalReading read_naturally(std::string_view after_colon, MarkedLineKind kind) {
  std::string body(after_colon);
  std::replace(body.begin(), body.end(), '\t', ' ');
  body = trimmed_left(body);
  NaturalReading reading;
  std::string first = body.substr(0, body.find(' '));
  bool is_content = first.find_first_of(kind == MarkedLineKind::kServer ? "#" : "=\"") != std::string::npos;
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
std::optional<std::pair<std::size_t, MarkedLineKind>> loose_marker(const std::string& line) {
  const std::string upper = upper_case(line);
  std::size_t at = upper.find_first_not_of(" \t");
  if (at == std::string::npos || upper[at] != '#') return std::nullopt;
  at = upper.find_first_not_of(" \t", at + 1);
  if (at == std::string::npos || upper.compare(at, 3, "GSN") != 0 || at + 3 >= upper.size()) return std::nullopt;
  MarkedLineKind kind;
  if (upper[at + 3] == 'G') {
    kind = MarkedLineKind::kServer;
  } else if (upper[at + 3] == 'X') {
    kind = MarkedLineKind::kSensor;
  } else {
    return std::nullopt;
  }
  at = upper.find_first_not_of(" \t", at + 4);
  if (at == std::string::npos || upper[at] != ':') return std::nullopt;
  return std::make_pair(at + 1, kind);
}

std::string canonical(bool item_form, MarkedLineKind kind, const NaturalReading& reading) {
  if (item_form) {
    std::string key = reading.key.substr(0, kServerEntriesColumn - 1 - kMarkerLength);
    key.resize(kServerEntriesColumn - 1 - kMarkerLength, ' ');
    return std::string(kItemServerMarker) + key + reading.rest;
  }
  std::string key = upper_case(reading.key.substr(0, kSensorKeyLength));
  key.resize(kSensorKeyLength, ' ');
  if (kind == MarkedLineKind::kServer) return std::string(kServerMarker) + key + "  " + reading.rest;
  return std::string(kSensorMarker) + key + " " + reading.rest;
}

class LineReviewer {
 public:
  LineReviewer(bool item_form, const std::string& asked_key, std::vector<Finding>& findings)
      : item_form_(item_form), asked_key_(asked_key), findings_(findings) {}

  void review(const ReportedLine& line);
  std::vector<MarkedLine> lines;

 private:
  bool concerns_asked_key(const std::string& key) const { return asked_key_.empty() || key == asked_key_; }
  void report(std::size_t line, std::string text) { findings_.push_back(Finding{line, std::move(text), true}); }
  void review_unmarked(const ReportedLine& line);
  void review_marked(const ReportedLine& line, MarkedLineKind kind);

  const bool item_form_;
  const std::string asked_key_;
  std::vector<Finding>& findings_;
  bool continued_ = false;
};

void LineReviewer::review(const ReportedLine& line) {
  if (line.goes_on && !continued_) {
    report(line.number, "the line is longer than " + std::to_string(kGlobalProfileLineRoom - 1) +
                            " characters, and the sensor reads the rest as a line of its own; split it over several "
                            "lines");
  }
  continued_ = line.goes_on;
  const MarkedLineKind kind = item_form_ ? item_profile_line_kind(line.text) : global_profile_line_kind(line.text);
  if (kind == MarkedLineKind::kNone) {
    review_unmarked(line);
  } else {
    review_marked(line, kind);
  }
}

// A line that looks marked to a person, but not to the reader.
void LineReviewer::review_unmarked(const ReportedLine& line) {
  std::optional<std::pair<std::size_t, MarkedLineKind>> loose = loose_marker(line.text);
  if (!loose || (item_form_ && loose->second == MarkedLineKind::kSensor)) return;
  NaturalReading natural = read_naturally(std::string_view(line.text).substr(loose->first), loose->second);
  if (!concerns_asked_key(padded_key(upper_case(natural.key.substr(0, kSensorKeyLength))))) return;
  const char* what = loose->second == MarkedLineKind::kServer ? "a server line" : "a sensor line";
  report(line.number, std::string("looks like ") + what + ", but the sensor does not read it" +
                          (item_form_ ? " (in Orvanta.Prf a server line begins with \"" +
                                            std::string(kItemServerMarker) + "\" in exactly this letter case)"
                                      : std::string()) +
                          "; write instead: " + canonical(item_form_, loose->second, natural));
}

// What the reader reads from the fixed columns, against what the line means
// to a person who reads it.
void LineReviewer::review_marked(const ReportedLine& line, MarkedLineKind kind) {
  MarkedLine marked{line.number, kind, item_form_ ? std::string() : padded_key(key_of_line(line.text)), line.text};
  NaturalReading natural = read_naturally(std::string_view(line.text).substr(kMarkerLength - 1), kind);
  const std::string meant_key = upper_case(natural.key.substr(0, kSensorKeyLength));
  if (!concerns_asked_key(marked.key) && !concerns_asked_key(padded_key(meant_key))) return;
  const bool key_agrees = item_form_ || without_trailing_blanks(marked.key) == meant_key;
  const bool rest_agrees = kind == MarkedLineKind::kServer
                               ? from_column(line.text, kServerEntriesColumn) == natural.rest
                               : trimmed_left(from_column(line.text, kSensorParametersColumn)) == natural.rest;
  marked.misplaced = !key_agrees || !rest_agrees;
  lines.push_back(marked);
  if (!marked.misplaced) return;
  report(line.number, std::string(kind == MarkedLineKind::kServer
                                      ? "the key or the names stand in the wrong column (the key in columns 9 to 18, "
                                        "the names from column 21)"
                                      : "the key or the parameters stand in the wrong column (the key in columns 9 "
                                        "to 18, the parameters from column 20)") +
                          "; write instead: " + canonical(item_form_, kind, natural));
}

}  // namespace

std::string padded_key(const std::string& key) {
  std::string padded = key.substr(0, kSensorKeyLength);
  padded.resize(kSensorKeyLength, ' ');
  return padded;
}

std::vector<MarkedLine> review_lines(const ReadReport& report, bool item_form, const std::string& asked_key,
                                     std::vector<Finding>& findings) {
  LineReviewer reviewer(item_form, asked_key, findings);
  for (const ReportedLine& line : report.lines) reviewer.review(line);
  return std::move(reviewer.lines);
}

}  // namespace quillar
