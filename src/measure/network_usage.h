// The measurement: the LAN rows of GET_LAN_SINGLE added up into six totals.
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

// What the measurement of one system gives: numbers and names, never text to
// print.
struct Measurement {
  // The library's return code of the call; RFC_OK when it succeeded.
  int code = RFC_OK;
  bool call_ok() const { return code == RFC_OK; }
  // After a successful call: the totals, in the order of kChannelLabels.
  std::array<std::uint32_t, 6> totals{};
  // After an exception or a system exception: the name the system gave it.
  std::string exception_name;
};

// The rows of one call live in an internal table of the library, which the
// caller creates before the call and releases after it. The caller decides
// what is printed before the release, because a release the library refuses
// ends the run through the RFC error report, and so do a refused creation and
// a row the library does not hand out.
class NetworkUsage {
 public:
  ITAB_H create_table(const RfcEntryPoints& rfc);

  // Calls GET_LAN_SINGLE on `handle` into `table` and adds up the rows of
  // `interface_name` (any letter case; empty: every row).
  Measurement measure_network_usage(RfcContext& context, RFC_HANDLE handle, ITAB_H table,
                                    std::string_view interface_name);

  void release_table(const RfcEntryPoints& rfc, ITAB_H table);

 private:
  LanStatistics statistics_;
};

// One row of TF_LAN_SINGLE: the interface name as the host gives it (up to
// a zero byte, without trailing blanks) and its counters in the order of
// kChannelLabels.
struct LanRow {
  std::string name;
  std::array<std::uint32_t, 6> counters{};
};

// Whether the rows of `row`'s interface are those that `filter` (upper case;
// empty: every row) selects. Letter case does not count.
bool row_selected(const LanRow& row, std::string_view filter);

// Hands every row of the table, in order, to `take`. A row that the library
// does not hand out ends the run through the error report.
void for_each_lan_row(const RfcEntryPoints& rfc, ITAB_H table, const std::function<void(const LanRow&)>& take);

// The totals of the rows whose interface name matches `filter` (upper case;
// empty: every row). Each total is the plain sum of its field, modulo 2^32.
std::array<std::uint32_t, 6> add_up_rows(const RfcEntryPoints& rfc, ITAB_H table, std::string_view filter);

}  // namespace quillar

#endif  // QUILLAR_MEASURE_NETWORK_USAGE_H_
