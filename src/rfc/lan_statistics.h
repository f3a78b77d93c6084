// The remote call that the sensor measures with: GET_LAN_SINGLE, which
// returns the network-interface statistics of the SAP host in TF_LAN_SINGLE.
#ifndef QUILLAR_RFC_LAN_STATISTICS_H_
#define QUILLAR_RFC_LAN_STATISTICS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "base/capacities.h"
#include "rfc/connection.h"
#include "rfc/rfc_library.h"

namespace quillar {

// One row of TF_LAN_SINGLE (structure LAN_SINGLE) as the library stores it.
inline constexpr unsigned kLanRowLength = 40;
inline constexpr std::size_t kLanNameOffset = 6;
inline constexpr std::size_t kLanNameLength = 8;
inline constexpr std::size_t kInPacketsOffset = 16;
inline constexpr std::size_t kOutPacketOffset = 20;
inline constexpr std::size_t kInErrorsOffset = 24;
inline constexpr std::size_t kOutErrorsOffset = 28;
inline constexpr std::size_t kCollisionsOffset = 32;
inline constexpr std::size_t kPacketsOffset = 36;

// Where the call's exporting parameters are received; nothing reads them.
struct LanReceiveAreas {
  std::int32_t activeflag = 0;
  std::int32_t detailscoll = 0;
  std::int32_t detailsmode = 0;
  std::int32_t detailsreqi = 0;
  char f_lan_single_read[3] = {};
  std::int32_t interval = 0;
  std::int32_t lastcollint = 0;
  char lastcollwrt[25] = {};
  std::int32_t normcollint = 0;
};

class LanStatistics {
 public:
  // Calls GET_LAN_SINGLE on the connection with the importing values
  // LOCAL_REMOTE (6 characters) and a blank LOGICAL_DESTINATION;
  // the rows arrive in `table`, made by the caller with ItCreate. Gives the
  // library's return code; for an exception (2) or a system exception (3)
  // `exception_name` names it. Describes LAN_SINGLE to the library the first
  // time; a refused description ends the run through the error report.
  int call_lan_statistics(RfcContext& context, RFC_HANDLE handle, std::string_view local_remote,
                          LanReceiveAreas& areas, ITAB_H table, std::string& exception_name);

 private:
  RFC_TYPEHANDLE lan_type_ = 0;
};

}  // namespace quillar

#endif  // QUILLAR_RFC_LAN_STATISTICS_H_
