#include "profiles/global_profile.h"

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

Status read_item_profile(Platform& platform, const std::string& path, std::string_view item,
                         GlobalAllocation& allocation) {
  allocation = GlobalAllocation();
  std::unique_ptr<ReadableFile> file = platform.open_text(path);
  if (!file) return error_status(Fault::kItemProfileMissing, {kItemProfileName});
  LineReader reader(*file, kGlobalProfileLineRoom);
  if (reader.saved_as_utf16()) return error_status(Fault::kSavedAsUtf16, {kItemProfileName});
  ListingBuilder listing;
  std::string line;
  while (reader.next_line(line)) {
    if (line.compare(0, kItemServerMarker.size(), kItemServerMarker) == 0) listing.add(from_column(line, kServerEntriesColumn));
  }
  allocation.server_listing = listing.finish();
  allocation.item = item;
  return check_allocation(allocation);
}

Status read_global_profile(Platform& platform, const std::string& path, std::string_view sensor_key,
                           std::string_view sensor_argument, SensorLineReader read_sensor_line,
                           GlobalAllocation& allocation) {
  allocation = GlobalAllocation();
  std::string key(sensor_key);
  key.resize(kSensorKeyLength, ' ');
  const std::string server_marker = std::string(kServerMarker) + key;
  const std::string sensor_marker = std::string(kSensorMarker) + key;

  std::unique_ptr<ReadableFile> file = platform.open_text(path);
  if (!file) return error_status(Fault::kGlobalProfileMissing, {kGlobalProfileName});
  LineReader reader(*file, kGlobalProfileLineRoom);
  if (reader.saved_as_utf16()) return error_status(Fault::kSavedAsUtf16, {kGlobalProfileName});
  ListingBuilder listing;
  bool sensor_found = false;
  std::string line;
  while (reader.next_line(line)) {
    std::string marker = upper_case(std::string_view(line).substr(0, server_marker.size()));
    if (marker == server_marker) {
      listing.add(from_column(line, kServerEntriesColumn));
    } else if (marker == sensor_marker && !sensor_found) {
      SensorLine sensor_line = read_sensor_line(from_column(line, kSensorParametersColumn), line);
      if (!sensor_line.allocates) return error_status(Fault::kInvalidAllocation);
      if (sensor_line.options.size() > GlobalAllocation::kSensorOptionsRoom) {
        return error_status(Fault::kSensorOptionsTooLong, {std::to_string(GlobalAllocation::kSensorOptionsRoom)});
      }
      allocation.sensor_options = std::move(sensor_line.options);
      allocation.item = std::move(sensor_line.item);
      allocation.channel_naming = sensor_line.channel_naming;
      sensor_found = true;
    }
  }
  file.reset();
  if (!sensor_found) return error_status(Fault::kSensorNotFound, {sensor_argument});
  allocation.server_listing = listing.finish();
  return check_allocation(allocation);
}

}  // namespace quillar
