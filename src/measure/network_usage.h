// The measurement: the LAN rows of GET_LAN_SINGLE added up into six totals,
// written as the message and the channels of the result document.
#ifndef QUILLAR_MEASURE_NETWORK_USAGE_H_
#define QUILLAR_MEASURE_NETWORK_USAGE_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "output/channel_writer.h"
#include "output/result_document.h"
#include "profiles/system_profile.h"
#include "rfc/connection.h"
#include "rfc/lan_statistics.h"

namespace quillar {

// The six totals, in the order of the message and the channels.
inline constexpr std::array<std::string_view, 6> kChannelLabels = {
    "Packets/Sec", "In-Packets/Sec", "Out-Packets/Sec", "In-Errors", "Out-Errors", "Collision(s)"};

// What the measurement of one system tells the run.
struct SystemOutcome {
  bool call_ok = false;  // GET_LAN_SINGLE returned successfully
  bool found = false;    // global run: the system delivered its measures
};

class NetworkUsage {
 public:
  // Measures the system on `handle`. Single-system run: leaves the complete
  // document in `document`. Global run: prints the item's channel under
  // `channel_name` at once. A failed call appends its error text to the
  // document instead. Gives the call's return code. Internal-table failures
  // end the run through the RFC error report.
  int measure_network_usage(RfcContext& context, RFC_HANDLE handle, const LogonEntries& entries,
                            const std::string& channel_name, ResultDocument& document, ChannelWriter& channels,
                            SystemOutcome& outcome);

 private:
  LanStatistics statistics_;
  // The LAN= interface as typed, shown in the message.
  std::string interface_name_;
};

// The totals of the rows whose interface name matches `filter` (upper case;
// empty: every row). Each total is the plain sum of its field, modulo 2^32.
std::array<std::uint32_t, 6> add_up_rows(const RfcEntryPoints& rfc, ITAB_H table, std::string_view filter);

}  // namespace quillar

#endif  // QUILLAR_MEASURE_NETWORK_USAGE_H_
