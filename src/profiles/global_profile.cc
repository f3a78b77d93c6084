#include "profiles/global_profile.h"

#include "output/texts.h"
#include "platform/line_reader.h"

namespace quillar {
namespace {

constexpr std::size_t kGlobalLineRoom = 199;
// Server entries start in column 21, the sensor line's parameters in column 20.
constexpr std::size_t kEntriesColumn = 21;
constexpr std::size_t kParametersColumn = 20;
constexpr std::size_t kSensorKeyLength = 10;
constexpr std::string_view kAllocationText = "Sensor=\"SAP Quillar\"";

std::string_view from_column(std::string_view line, std::size_t column) {
  return line.size() >= column ? line.substr(column - 1) : std::string_view();
}

// Collects the server entries of the profile's lines, which are joined without
// separator. The result is a sequence of names each ended by "#": a last name
// without one is taken as a name, and a listing beyond its room is cut after
// the last whole name that fits, never inside one.
class ListingBuilder {
 public:
  void add(std::string_view entries) {
    if (overflowed_) return;
    std::size_t room_left = RunSettings::kServerListingRoom + 1 - text_.size();
    if (entries.size() >= room_left) overflowed_ = entries.size() > room_left;
    text_.append(cut_to(entries, room_left));
  }

  std::string finish() {
    if (!overflowed_ && !text_.empty() && text_.back() != '#') text_ += '#';
    if (text_.size() > RunSettings::kServerListingRoom) {
      std::size_t last_end = text_.rfind('#', RunSettings::kServerListingRoom - 1);
      text_.resize(last_end == std::string::npos ? 0 : last_end + 1);
    }
    return text_;
  }

 private:
  std::string text_;
  bool overflowed_ = false;
};

Status read_item_form(Platform& platform, RunSettings& settings, ListingBuilder& listing) {
  std::unique_ptr<ReadableFile> file = platform.open_text(settings.profile_path);
  if (!file) return Status::Error("Error 1024: ProFile " + settings.profile_name + " is missing...");
  LineReader reader(*file, kGlobalLineRoom);
  if (reader.saved_as_utf16()) return Status::Error(utf16_file_text(settings.profile_name));
  std::string line;
  while (reader.next_line(line)) {
    if (line.compare(0, 8, "# Gsng: ") == 0) listing.add(from_column(line, kEntriesColumn));
  }
  return Status::Ok();
}

Status read_global_form(Platform& platform, RunSettings& settings, ListingBuilder& listing) {
  std::string key = settings.option_text.substr(0, settings.option_text.find(' '));
  key.resize(kSensorKeyLength, ' ');
  const std::string server_marker = "# GSNG: " + key;
  const std::string sensor_marker = "# GSNX: " + key;

  std::unique_ptr<ReadableFile> file = platform.open_text(settings.profile_path);
  if (!file) return Status::Error("Error 10x1: ProFile " + settings.profile_name + " is missing...");
  bool sensor_found = false;
  std::string parameters;
  settings.item.clear();

  LineReader reader(*file, kGlobalLineRoom);
  if (reader.saved_as_utf16()) return Status::Error(utf16_file_text(settings.profile_name));
  std::string line;
  while (reader.next_line(line)) {
    std::string marker = upper_case(std::string_view(line).substr(0, server_marker.size()));
    if (marker == server_marker) {
      listing.add(from_column(line, kEntriesColumn));
    } else if (marker == sensor_marker && !sensor_found) {
      parameters = from_column(line, kParametersColumn);
      if (!contains(parameters, kAllocationText)) {
        return Status::Error("Error 1029: Invalid Sensor-Allocation...");
      }
      std::string options = parameters.substr(0, parameters.find(",Sensor="));
      blanks_for_colons(options);
      if (options.size() > RunSettings::kOptionTextRoom) {
        return Status::Error("Error 1031: Sensor-Parameters longer than 127 characters...");
      }
      settings.option_text_raw = options;
      // Later keywords win: ",Sid" over ",Host" over ",Alias" over ",Profile".
      if (contains(line, ",Profile")) settings.display_selector = "1";
      sensor_found = true;
      if (contains(line, ",Alias")) settings.display_selector = "2";
      if (contains(line, ",Host")) settings.display_selector = "3";
      if (contains(line, ",Sid")) settings.display_selector = "4";
    }
  }
  file.reset();
  settings.item = keyword_value(parameters, parameters, "Item=", RunSettings::kItemRoom).value_or("");
  blanks_for_colons(settings.item);
  if (!sensor_found) {
    return Status::Error("Error 1030: Global Sensor " + settings.sensor_argument + " not found...");
  }
  return Status::Ok();
}

}  // namespace

Status read_global_profile(Platform& platform, RunSettings& settings) {
  settings.profile_stream.reset();
  settings.server_listing.clear();
  settings.display_selector = "1";
  bool item_form = settings.profile_name == kItemProfileName;
  ListingBuilder listing;
  Status read = item_form ? read_item_form(platform, settings, listing)
                          : read_global_form(platform, settings, listing);
  if (!read.is_ok()) return read;
  settings.server_listing = listing.finish();
  if (settings.server_listing.empty()) return Status::Error("Error 1025: Global Server Listing missing...");
  if (settings.item.empty()) return Status::Error("Error 1026: Global Item Idenification missing...");
  return Status::Ok();
}

}  // namespace quillar
