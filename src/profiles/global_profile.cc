#include "profiles/global_profile.h"

#include <algorithm>

#include "base/errors.h"
#include "base/texts.h"
#include "platform/line_reader.h"

namespace quillar {
std::string_view from_column(std::string_view line, std::size_t column) {
  return line.size() >= column ? line.substr(column - 1) : std::string_view();
}

namespace {

// Collects the server entries of the profile's lines, which are joined without
// separator. The result is a sequence of names each ended by "#": a last name
// without one is taken as a name, and a listing beyond its room is cut after
// the last whole name that fits, never inside one.
class ListingBuilder {
 public:
  void add(std::string_view entries) {
    if (overflowed_) return;
    std::size_t room_left = GlobalAllocation::kServerListingRoom + 1 - text_.size();
    if (entries.size() >= room_left) overflowed_ = entries.size() > room_left;
    text_.append(cut_to(entries, room_left));
  }

  std::vector<std::string> finish() {
    if (!overflowed_ && !text_.empty() && text_.back() != '#') text_ += '#';
    if (text_.size() > GlobalAllocation::kServerListingRoom) {
      std::size_t last_end = text_.rfind('#', GlobalAllocation::kServerListingRoom - 1);
      text_.resize(last_end == std::string::npos ? 0 : last_end + 1);
    }
    std::vector<std::string> names;
    for (std::size_t next = 0; next < text_.size();) {
      const std::size_t end = text_.find('#', next);
      names.push_back(text_.substr(next, end - next));
      next = end + 1;
    }
    return names;
  }

 private:
  std::string text_;
  bool overflowed_ = false;
};

// The checks of every allocation, in the order in which they are reported.
Status check_allocation(const GlobalAllocation& allocation) {
  if (allocation.server_listing.empty()) return error_status(Fault::kServerListingMissing);
  if (allocation.item.empty()) return error_status(Fault::kItemMissing);
  return Status::Ok();
}

}  // namespace

MarkedLineKind global_profile_line_kind(std::string_view line) {
  const std::string marker = upper_case(line.substr(0, kServerMarker.size()));
  if (marker == kServerMarker) return MarkedLineKind::kServer;
  if (marker == kSensorMarker) return MarkedLineKind::kSensor;
  return MarkedLineKind::kNone;
}

MarkedLineKind item_profile_line_kind(std::string_view line) {
  return line.substr(0, kItemServerMarker.size()) == kItemServerMarker ? MarkedLineKind::kServer
                                                                        : MarkedLineKind::kNone;
}

std::string key_of_line(std::string_view line) {
  return upper_case(line.substr(std::min(line.size(), kServerMarker.size()), kSensorKeyLength));
}

Status read_item_profile(Platform& platform, const std::string& path, std::string_view item,
                         GlobalAllocation& allocation, ReadReport* report) {
  allocation = GlobalAllocation();
  std::unique_ptr<ReadableFile> file = platform.open_text(path);
  if (!file) return error_status(Fault::kItemProfileMissing, {kItemProfileName});
  LineReader reader(*file, kGlobalProfileLineRoom);
  report_encoding(reader, report);
  if (reader.saved_as_utf16()) return error_status(Fault::kSavedAsUtf16, {kItemProfileName});
  ListingBuilder listing;
  std::string line;
  while (reader.next_line(line)) {
    const bool server_line = item_profile_line_kind(line) == MarkedLineKind::kServer;
    report_line(reader, line, server_line ? LineUse::kTaken : LineUse::kNoMarker, report);
    if (server_line) listing.add(from_column(line, kServerEntriesColumn));
  }
  allocation.server_listing = listing.finish();
  allocation.item = item;
  return check_allocation(allocation);
}

namespace {

// Takes the first sensor line of the key into the allocation; gives why the
// run stops at it.
Status take_sensor_line(const std::string& line, SensorLineReader read_sensor_line, GlobalAllocation& allocation) {
  SensorLine sensor_line = read_sensor_line(from_column(line, kSensorParametersColumn), line);
  if (!sensor_line.allocates) return error_status(Fault::kInvalidAllocation);
  if (sensor_line.options.size() > GlobalAllocation::kSensorOptionsRoom) {
    return error_status(Fault::kSensorOptionsTooLong, {std::to_string(GlobalAllocation::kSensorOptionsRoom)});
  }
  allocation.sensor_options = std::move(sensor_line.options);
  allocation.item = std::move(sensor_line.item);
  allocation.channel_naming = sensor_line.channel_naming;
  return Status::Ok();
}

// What the reader of "SAP Orvanta.Gbl" for `key` does with a line whose
// marker makes it `kind`, the sensor line found before or not.
LineUse use_of_global_line(MarkedLineKind kind, std::string_view line, const std::string& key, bool sensor_found) {
  if (kind == MarkedLineKind::kNone) return LineUse::kNoMarker;
  if (key_of_line(line) != key) return LineUse::kOtherKey;
  if (kind == MarkedLineKind::kSensor && sensor_found) return LineUse::kSecondSensorLine;
  return LineUse::kTaken;
}

}  // namespace

Status read_global_profile(Platform& platform, const std::string& path, std::string_view sensor_key,
                           std::string_view sensor_argument, SensorLineReader read_sensor_line,
                           GlobalAllocation& allocation, ReadReport* report) {
  allocation = GlobalAllocation();
  std::string key(sensor_key);
  key.resize(kSensorKeyLength, ' ');
  std::unique_ptr<ReadableFile> file = platform.open_text(path);
  if (!file) return error_status(Fault::kGlobalProfileMissing, {kGlobalProfileName});
  LineReader reader(*file, kGlobalProfileLineRoom);
  report_encoding(reader, report);
  if (reader.saved_as_utf16()) return error_status(Fault::kSavedAsUtf16, {kGlobalProfileName});
  ListingBuilder listing;
  bool sensor_found = false;
  std::string line;
  while (reader.next_line(line)) {
    const MarkedLineKind kind = global_profile_line_kind(line);
    const LineUse use = use_of_global_line(kind, line, key, sensor_found);
    report_line(reader, line, use, report);
    if (use != LineUse::kTaken) continue;
    if (kind == MarkedLineKind::kServer) {
      listing.add(from_column(line, kServerEntriesColumn));
      continue;
    }
    sensor_found = true;
    if (Status taken = take_sensor_line(line, read_sensor_line, allocation); !taken.is_ok()) {
      report_rest_after_fault(reader, report);
      return taken;
    }
  }
  file.reset();
  if (!sensor_found) return error_status(Fault::kSensorNotFound, {sensor_argument});
  allocation.server_listing = listing.finish();
  return check_allocation(allocation);
}

}  // namespace quillar
