#include "tool/global_profile_review.h"

#include <algorithm>
#include <map>
#include <vector>

#include "base/errors.h"
#include "base/texts.h"
#include "driver/options.h"
#include "driver/processing_run.h"
#include "measure/network_usage.h"
#include "profiles/global_profile.h"
#include "profiles/read_report.h"
#include "tool/global_line_review.h"
#include "tool/listing_review.h"
#include "tool/item_review.h"
#include "tool/option_review.h"
#include "tool/tool_output.h"

namespace quillar {
namespace {

// What a sensor line for `key` holds at the least, as the review suggests it.
std::string example_sensor_line(const std::string& key) {
  return key + " " + std::string(kSensorLineAllocation) + " " + std::string(kSensorLineItemKeyword) + "In-Errors";
}

class Review {
 public:
  Review(Platform& platform, const RunSettings& settings, const std::string& path)
      : platform_(platform),
        settings_(settings),
        path_(path),
        item_form_(upper_case(file_name_of(path)) == upper_case(kItemProfileName)) {}

  int run();

 private:
  void report(std::size_t line, std::string text) { findings_.push_back(Finding{line, std::move(text), true}); }
  bool read_every_line();
  void review_keys();
  void review_key(const std::string& key, const std::vector<const MarkedLine*>& lines);
  void review_item_profile(const std::string& key, const std::vector<const MarkedLine*>& lines);
  void review_sensor_key(const std::string& key, const std::vector<const MarkedLine*>& lines);
  void review_sensor_line(const MarkedLine& sensor_line, const GlobalAllocation& allocation, const Options& options,
                          const Status& settled);
  void review_listing_of(const std::string& key, const ReadReport& key_report,
                         const std::vector<const MarkedLine*>& lines, const GlobalAllocation& allocation,
                         const Options& options, std::size_t summary_line);
  void review_item(std::size_t line, const std::string& item);
  int finish();

  Platform& platform_;
  const RunSettings& settings_;
  const std::string path_;
  const bool item_form_;
  // Filled with blanks; empty for every key.
  std::string asked_key_;
  // The reader's report of every line of the profile.
  ReadReport report_;
  std::vector<MarkedLine> lines_;
  std::vector<Finding> findings_;
  std::vector<std::string> summary_;
};

// Reads the profile with the sensor's reader, which reports every line
// whatever the key; false when it cannot read it at all.
bool Review::read_every_line() {
  GlobalAllocation allocation;
  Status read = item_form_ ? read_item_profile(platform_, path_, "", allocation, &report_)
                           : read_global_profile(platform_, path_, asked_key_, asked_key_, read_sensor_line,
                                                 allocation, &report_);
  if (read.fault() == Fault::kGlobalProfileMissing || read.fault() == Fault::kItemProfileMissing) {
    report(0, "cannot open " + platform_.full_path(path_) + ": " + platform_.failure_reason());
    return false;
  }
  if (report_.saved_as_utf16_without_mark) {
    report(0,
           "the file is saved as UTF-16 without a byte order mark (its first line holds zero bytes), which the "
           "sensor cannot read; save it in Notepad with the encoding ANSI or UTF-8");
    return false;
  }
  if (report_.saved_as_utf16) {
    report(0,
           "the file is saved as UTF-16, which the sensor cannot read; save it in Notepad with the encoding ANSI "
           "or UTF-8");
    return false;
  }
  if (report_.skipped_byte_order_mark) {
    findings_.push_back(Finding{0, "warning: the file starts with a UTF-8 byte order mark, which the sensor skips", false});
  }
  return true;
}

void Review::review_item(std::size_t line, const std::string& item) {
  if (std::optional<std::string> problem = item_problem(item, item_form_ ? kItemKeyword : kSensorLineItemKeyword)) {
    report(line, *problem);
  }
}

void Review::review_listing_of(const std::string& key, const ReadReport& key_report,
                               const std::vector<const MarkedLine*>& lines, const GlobalAllocation& allocation,
                               const Options& options, std::size_t summary_line) {
  ListingUnderReview listing{std::string(without_trailing_blanks(key)), {}, {}, &allocation, summary_line, options.failed_channel};
  for (const ReportedLine& line : key_report.lines) {
    const bool server_line = item_form_ || global_profile_line_kind(line.text) == MarkedLineKind::kServer;
    if (line.taken() && server_line) listing.server_lines.push_back(&line);
  }
  for (const MarkedLine* line : lines) {
    if (line->misplaced) listing.misplaced.insert(line->number);
  }
  review_listing(platform_, settings_.sensor_dir, listing, findings_);
}

void Review::review_item_profile(const std::string& key, const std::vector<const MarkedLine*>& lines) {
  const std::size_t first_line = lines.front()->number;
  GlobalAllocation allocation;
  ReadReport key_report;
  const std::optional<std::string>& item = settings_.options.item;
  // The listing does not depend on the item, which only the command line
  // gives.
  Status read = read_item_profile(platform_, path_, item.value_or(std::string(kChannelLabels[0])), allocation,
                                  &key_report);
  if (!read.is_ok()) {
    report(first_line, "the sensor stops with \"" + read.text() + "\"");
    return;
  }
  if (item) review_item(0, *item);
  // The run reads the command line's options again, as a sensor line's.
  Options options;
  if (Status settled = settle_global_options(settings_, allocation, options); !settled.is_ok()) {
    report(0, "the sensor stops with \"" + settled.text() + "\"");
  }
  review_listing_of(key, key_report, lines, allocation, options, first_line);
  const std::string shown_item = item ? *item : "as " + std::string(kItemKeyword) + " names it";
  summary_.push_back("Item profile: item " + shown_item + ", systems " + listed_names(allocation.server_listing));
}

// What the run makes of the options of the key's sensor line, as the run
// settled them.
void Review::review_sensor_line(const MarkedLine& sensor_line, const GlobalAllocation& allocation,
                                const Options& options, const Status& settled) {
  review_item(sensor_line.number, allocation.item);
  if (!sensor_line.misplaced) {
    for (const std::string& note : skipped_option_notes(options.skipped)) report(sensor_line.number, note);
    if (!settled.is_ok()) report(sensor_line.number, "the sensor stops with \"" + settled.text() + "\"");
  }
  // The host override written in mixed case also holds the naming word.
  const std::string mixed_case_override = std::string(kHostNaming) + "=";
  if (contains(allocation.sensor_options, mixed_case_override)) {
    report(sensor_line.number, mixed_case_override + " also names the channels by host name, as " +
                                   std::string(kHostNaming) + " does; write " + std::string(kHostKeyword) +
                                   " in capitals to change the logon only");
  }
}

void Review::review_sensor_key(const std::string& key, const std::vector<const MarkedLine*>& lines) {
  const std::string shown_key = std::string(without_trailing_blanks(key));
  auto sensor_line = std::find_if(lines.begin(), lines.end(),
                                  [](const MarkedLine* line) { return line->kind == MarkedLineKind::kSensor; });
  if (sensor_line == lines.end()) {
    report(lines.front()->number, "the key " + shown_key +
                                      " has server lines but no sensor line, and a sensor for it stops with " +
                                      error_number(Fault::kSensorNotFound) + "; add: # GSNX: " + example_sensor_line(key));
    return;
  }
  const std::size_t sensor_number = (*sensor_line)->number;
  GlobalAllocation allocation;
  ReadReport key_report;
  Status read = read_global_profile(platform_, path_, shown_key, shown_key, read_sensor_line, allocation, &key_report);
  for (const ReportedLine& line : key_report.lines) {
    if (line.use != LineUse::kSecondSensorLine) continue;
    report(line.number, "a second sensor line for " + shown_key + ", which the sensor passes over (it reads line " +
                            std::to_string(sensor_number) + "); remove one");
  }
  if (std::none_of(lines.begin(), lines.end(), [](const MarkedLine* line) { return line->kind == MarkedLineKind::kServer; })) {
    report(sensor_number, "the sensor line of " + shown_key + " has no server line, and the sensor stops with " +
                              error_number(Fault::kServerListingMissing) + "; add: # GSNG: " + key + "  PRD.P00#");
    return;
  }
  if (!read.is_ok()) {
    std::string advice;
    if (read.fault() == Fault::kItemMissing &&
        contains(upper_case(from_column((*sensor_line)->text, kSensorParametersColumn)), kItemKeyword)) {
      advice = "; " + std::string(kSensorLineItemKeyword) + " is read in exactly this letter case";
    }
    report(sensor_number, "the sensor stops with \"" + read.text() + "\"" + advice);
    return;
  }
  Options options;
  const Status settled = settle_global_options(settings_, allocation, options);
  review_sensor_line(**sensor_line, allocation, options, settled);
  review_listing_of(key, key_report, lines, allocation, options, sensor_number);
  static const std::map<ChannelNaming, std::string> kNaming = {{ChannelNaming::kProfileName, "profile name"},
                                                                {ChannelNaming::kAlias, "profile name without extension"},
                                                                {ChannelNaming::kHostName, "host name"},
                                                                {ChannelNaming::kDestination, "destination"}};
  summary_.push_back("Sensor " + shown_key + " (line " + std::to_string(sensor_number) + "): item " + allocation.item +
                     ", channels named by " + kNaming.at(allocation.channel_naming) + ", options \"" +
                     allocation.sensor_options + "\", systems " + listed_names(allocation.server_listing));
}

void Review::review_key(const std::string& key, const std::vector<const MarkedLine*>& lines) {
  if (std::all_of(lines.begin(), lines.end(), [](const MarkedLine* line) { return line->misplaced; })) return;
  if (item_form_) {
    review_item_profile(key, lines);
  } else {
    review_sensor_key(key, lines);
  }
}

// Each key with its lines, in the order of its first line.
void Review::review_keys() {
  std::vector<std::string> keys;
  std::map<std::string, std::vector<const MarkedLine*>> lines_of;
  for (const MarkedLine& line : lines_) {
    if (lines_of[line.key].empty()) keys.push_back(line.key);
    lines_of[line.key].push_back(&line);
  }
  if (keys.empty()) {
    report(0, item_form_ ? "no server line: the sensor stops with \"" + error_text(Fault::kServerListingMissing) +
                               "\"; add: # Gsng:             PRD.P00#"
                         : "no line for the sensor key " + std::string(without_trailing_blanks(asked_key_)) + ": the sensor stops with " +
                               error_number(Fault::kSensorNotFound) +
                               "; add a sensor line and a server line, for example # GSNX: " +
                               example_sensor_line(asked_key_));
  }
  for (const std::string& key : keys) review_key(key, lines_of[key]);
}

int Review::finish() {
  for (const std::string& line : summary_) platform_.write_console(line + "\n");
  std::stable_sort(findings_.begin(), findings_.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  bool wrong = false;
  for (const Finding& finding : findings_) {
    wrong = wrong || finding.problem;
    const std::string at = finding.line == 0 ? "" : "line " + std::to_string(finding.line) + ": ";
    say(platform_, at + finding.text);
  }
  return wrong ? kToolRefused : kToolDone;
}

int Review::run() {
  if (!item_form_ && !settings_.options.sensor_key.empty()) asked_key_ = padded_key(settings_.options.sensor_key);
  if (!read_every_line()) return finish();
  for (const std::string& note : skipped_option_notes(settings_.options.skipped)) {
    report(0, "the command line: " + note);
  }
  lines_ = review_lines(report_, item_form_, asked_key_, findings_);
  review_keys();
  return finish();
}

}  // namespace

int review_global_profile(Platform& platform, const RunSettings& settings, const std::string& path) {
  return Review(platform, settings, path).run();
}

}  // namespace quillar
