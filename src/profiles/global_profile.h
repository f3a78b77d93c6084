// The global profiles, which allocate a sensor to several SAP systems:
// "SAP Orvanta.Gbl" (GLOBAL form, looked up under the sensor key) and
// "Orvanta.Prf" (ITEM form, the item given on the command line).
#ifndef QUILLAR_PROFILES_GLOBAL_PROFILE_H_
#define QUILLAR_PROFILES_GLOBAL_PROFILE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "platform/platform.h"
#include "profiles/read_report.h"

namespace quillar {

inline constexpr char kItemProfileName[] = "Orvanta.Prf";
inline constexpr char kGlobalProfileName[] = "SAP Orvanta.Gbl";

// The layout of both profiles' lines, columns counted from 1: the marker in
// columns 1 to 8, the sensor key in 9 to 18, a sensor line's parameters from
// column 20, a server line's entries from column 21. Lines are read in
// pieces of this many characters, line feed included.
inline constexpr std::size_t kGlobalProfileLineRoom = 199;
inline constexpr std::size_t kSensorKeyLength = 10;
inline constexpr std::size_t kSensorParametersColumn = 20;
inline constexpr std::size_t kServerEntriesColumn = 21;
// The markers, in exactly this letter case: a server line of the global
// profile, a sensor line of it, a server line of the item profile.
inline constexpr std::string_view kServerMarker = "# GSNG: ";
inline constexpr std::string_view kSensorMarker = "# GSNX: ";
inline constexpr std::string_view kItemServerMarker = "# Gsng: ";
// What `line` holds from `column` (counted from 1) on; empty when it is
// shorter.
std::string_view from_column(std::string_view line, std::size_t column);

// What its marker makes a line for the readers.
enum class MarkedLineKind { kNone, kServer, kSensor };
// A line of "SAP Orvanta.Gbl": its marker in any letter case.
MarkedLineKind global_profile_line_kind(std::string_view line);
// A line of "Orvanta.Prf": a server line only with its marker in exactly
// that letter case.
MarkedLineKind item_profile_line_kind(std::string_view line);
// The sensor key of a line as the reader compares it with the key filled
// with blanks to kSensorKeyLength: columns 9 to 18 upper-cased, fewer when
// the line is shorter.
std::string key_of_line(std::string_view line);

// How a global run names the channel of each system: by its profile name,
// by that name without its extension (",Alias"), by its host name (",Host")
// or by its destination (",Sid").
enum class ChannelNaming { kProfileName, kAlias, kHostName, kDestination };

// What a global profile allocates to the sensor.
struct GlobalAllocation {
  // The server listing holds at most this many characters.
  static constexpr std::size_t kServerListingRoom = 2047;
  // An item is read with at most this many characters.
  static constexpr std::size_t kItemRoom = 90;
  // The sensor line's options hold at most this many characters.
  static constexpr std::size_t kSensorOptionsRoom = 127;

  // The system profile names, in listing order. The profile's server lines
  // are joined into one text of names each ended by "#" (a last name without
  // one is taken as a name); a text beyond its room is cut after the last
  // whole name that fits, and then split here, once.
  std::vector<std::string> server_listing;
  ChannelNaming channel_naming = ChannelNaming::kProfileName;
  // The channel that the run reports for every system, ":" read as a blank.
  std::string item;
  // GLOBAL form: the sensor line's options, what stands before ",Sensor=",
  // as written there.
  std::string sensor_options;
};

// What the first sensor line of a sensor key gives the run, as the driver's
// reader of its keywords finds it.
struct SensorLine {
  // Whether the line allocates the sensor at all.
  bool allocates = false;
  // What stands before ",Sensor=", as written.
  std::string options;
  // The item keyword's value, ":" read as a blank; empty without it.
  std::string item;
  ChannelNaming channel_naming = ChannelNaming::kProfileName;
};
// Reads the keywords of a sensor line: its parameters (from their column)
// and the whole line, in which the naming keywords are looked for.
using SensorLineReader = SensorLine (*)(std::string_view parameters, std::string_view line);

// With a `report`, both readers report every line of the file as taken (a
// server line, the key's sensor line) or passed over, and why; after a
// fault that ends the reading, the rest of the file as passed over.

// Reads "Orvanta.Prf" at `path`: every "# Gsng: " line lists systems. The
// item is the one of the command line.
Status read_item_profile(Platform& platform, const std::string& path, std::string_view item,
                         GlobalAllocation& allocation, ReadReport* report = nullptr);

// Reads "SAP Orvanta.Gbl" at `path` for the sensor `sensor_key` (the first
// word of the options, upper-cased); `sensor_argument` is the options as
// typed, which Error 1030 names. `read_sensor_line` reads the keywords of the
// sensor line.
Status read_global_profile(Platform& platform, const std::string& path, std::string_view sensor_key,
                           std::string_view sensor_argument, SensorLineReader read_sensor_line,
                           GlobalAllocation& allocation, ReadReport* report = nullptr);

}  // namespace quillar

#endif  // QUILLAR_PROFILES_GLOBAL_PROFILE_H_
