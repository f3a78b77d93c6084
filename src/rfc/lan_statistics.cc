#include "rfc/lan_statistics.h"

#include <cstring>
#include <iterator>

#include "rfc/error_report.h"

namespace quillar {
namespace {

RFC_TYPE_ELEMENT kLanSingle[] = {
    {"TYPE", TYPINT2, 2, 0, 0},       {"SUBTYPE", TYPINT2, 2, 0, 0},    {"SERIALNR", TYPINT2, 2, 0, 0},
    {"LANNAME", TYPC, 8, 0, 0},       {"IN_PACKETS", TYPINT, 4, 0, 0},  {"OUT_PACKET", TYPINT, 4, 0, 0},
    {"IN_ERRORS", TYPINT, 4, 0, 0},   {"OUT_ERRORS", TYPINT, 4, 0, 0},  {"COLLISIONS", TYPINT, 4, 0, 0},
    {"PACKETS", TYPINT, 4, 0, 0},
};

// The name of the table parameter that carries the rows.
constexpr char kLanTable[] = "TF_LAN_SINGLE";

// GET_LAN_SINGLE is asked for every destination of the host: a blank name.
constexpr unsigned kDestinationLength = 32;

RFC_PARAMETER parameter(const char* name, unsigned type, unsigned length, void* address) {
  return RFC_PARAMETER{name, static_cast<unsigned>(std::strlen(name)), type, length, address};
}

}  // namespace

int LanStatistics::call_lan_statistics(RfcContext& context, RFC_HANDLE handle, std::string_view local_remote,
                                       LanReceiveAreas& areas, ITAB_H table, std::string& exception_name) {
  if (lan_type_ == 0) {
    if (context.rfc.RfcInstallStructure("LAN_SINGLE", kLanSingle, static_cast<unsigned>(std::size(kLanSingle)),
                                         &lan_type_) != RFC_OK) {
      char operation[] = "RfcInstallStructure";
      rfc_error_report(operation);
    }
  }

  std::string local_remote_value(local_remote);
  std::string destination_value(kDestinationLength, ' ');
  local_remote_value.resize(6, ' ');
  RFC_PARAMETER importing[] = {
      parameter("LOCAL_REMOTE", TYPC, 6, local_remote_value.data()),
      parameter("LOGICAL_DESTINATION", TYPC, kDestinationLength, destination_value.data()),
      RFC_PARAMETER{nullptr, 0, 0, 0, nullptr},
  };
  RFC_TABLE tables[] = {
      RFC_TABLE{kLanTable, static_cast<unsigned>(std::size(kLanTable) - 1), lan_type_, kLanRowLength, table, 0, 0},
      RFC_TABLE{nullptr, 0, 0, 0, nullptr, 0, 0},
  };
  int code = context.rfc.RfcCall(handle, "GET_LAN_SINGLE", importing, tables);
  context.log.log_event(static_cast<int>(handle), "RfcCall called", "");
  if (code != RFC_OK) return code;

  RFC_PARAMETER exporting[] = {
      parameter("ACTIVEFLAG", TYPINT, 4, &areas.activeflag),
      parameter("DETAILSCOLL", TYPINT, 4, &areas.detailscoll),
      parameter("DETAILSMODE", TYPINT, 4, &areas.detailsmode),
      parameter("DETAILSREQI", TYPINT, 4, &areas.detailsreqi),
      parameter("F_LAN_SINGLE_READ", TYPC, 3, areas.f_lan_single_read),
      parameter("INTERVAL", TYPINT, 4, &areas.interval),
      parameter("LASTCOLLINT", TYPINT, 4, &areas.lastcollint),
      parameter("LASTCOLLWRT", TYPC, 25, areas.lastcollwrt),
      parameter("NORMCOLLINT", TYPINT, 4, &areas.normcollint),
      RFC_PARAMETER{nullptr, 0, 0, 0, nullptr},
  };
  char* exception = nullptr;
  code = context.rfc.RfcReceive(handle, exporting, tables, &exception);
  context.log.log_event(static_cast<int>(handle), "RfcReceive called", "");
  if ((code == RFC_EXCEPTION || code == RFC_SYS_EXCEPTION) && exception != nullptr) {
    std::size_t length = 0;
    while (length < kExceptionNameRoom && exception[length] != '\0') ++length;
    exception_name.assign(exception, length);
  }
  return code;
}

}  // namespace quillar
