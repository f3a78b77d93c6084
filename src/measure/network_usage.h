// The measurement: the LAN rows of GET_LAN_SINGLE added up into six totals
// and the message that states them.
#ifndef QUILLAR_MEASURE_NETWORK_USAGE_H_
#define QUILLAR_MEASURE_NETWORK_USAGE_H_

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "rfc/connection.h"
#include "rfc/lan_statistics.h"

namespace quillar {

// The six totals, in the order of the message and the channels.
inline constexpr std::array<std::string_view, 6> kChannelLabels = {
    "Packets/Sec", "In-Packets/Sec", "Out-Packets/Sec", "In-Errors", "Out-Errors", "Collision(s)"};

// What the measurement of one system gives.
struct Measurement {
  // The library's return code of the call; RFC_OK when it succeeded.
  int code = RFC_OK;
  bool call_ok() const { return code == RFC_OK; }
  // After a successful call: the totals, in the order of kChannelLabels, and
  // the message "(DEST) Network-Usage: Traffics=..., ...".
  std::array<std::uint32_t, 6> totals{};
  std::string message;
  // After a failed call: its numbered error text.
  std::string failure_text;
};

class NetworkUsage {
 public:
  // Measures the system on `handle`: the rows of `interface_name` (any
  // letter case; empty: every row) of the system named `destination`.
  // Internal-table failures end the run through the RFC error report.
  // `delivered` sees a successful measurement before the rows are released:
  // a run that prints as it goes shows it even when releasing them ends the
  // run.
  Measurement measure_network_usage(RfcContext& context, RFC_HANDLE handle, std::string_view destination,
                                    std::string_view interface_name,
                                    const std::function<void(const Measurement&)>& delivered = {});

 private:
  LanStatistics statistics_;
};

// The totals of the rows whose interface name matches `filter` (upper case;
// empty: every row). Each total is the plain sum of its field, modulo 2^32.
std::array<std::uint32_t, 6> add_up_rows(const RfcEntryPoints& rfc, ITAB_H table, std::string_view filter);

}  // namespace quillar

#endif  // QUILLAR_MEASURE_NETWORK_USAGE_H_
