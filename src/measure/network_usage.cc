#include "measure/network_usage.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "output/channel_writer.h"
#include "base/errors.h"
#include "base/texts.h"
#include "rfc/error_report.h"

namespace quillar {
namespace {

// The row fields of the totals, in the order of kChannelLabels.
constexpr std::size_t kTotalOffsets[6] = {kPacketsOffset,  kInPacketsOffset, kOutPacketOffset,
                                          kInErrorsOffset, kOutErrorsOffset, kCollisionsOffset};

[[noreturn]] void report_table_failure(const char* operation) {
  char text[64];
  std::snprintf(text, sizeof text, "%s", operation);
  rfc_error_report(text);
  std::abort();  // the report never returns
}

// The interface name of a row: LANNAME up to a zero byte, upper-cased,
// without trailing blanks.
std::string row_name(const char* row) {
  std::size_t length = 0;
  while (length < kLanNameLength && row[kLanNameOffset + length] != '\0') ++length;
  std::string name = upper_case(std::string_view(row + kLanNameOffset, length));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::string message_text(std::string_view destination, std::string_view interface_name,
                         const std::array<std::uint32_t, 6>& totals) {
  auto grouped = [&](std::size_t k) { return group_digits(std::to_string(totals[k])); };
  std::string text = "(" + std::string(destination);
  text += interface_name.empty() ? ") Network-Usage: " : ") Net-Usage LAN[" + std::string(interface_name) + "]: ";
  text += "Traffics=" + grouped(0) + ",";
  text += " InPacks=" + grouped(1) + ",";
  text += " OutPacks=" + grouped(2) + ",";
  text += " InErr=" + grouped(3) + ",";
  text += " OutErr=" + grouped(4) + ",";
  text += " Collisions=" + grouped(5);
  return text;
}

}  // namespace

std::array<std::uint32_t, 6> add_up_rows(const RfcEntryPoints& rfc, ITAB_H table, std::string_view filter) {
  std::array<std::uint32_t, 6> totals{};
  // The count is read once and counted against in a wider type: a count of
  // 2^32 - 1 would otherwise wrap the line number and never end the loop.
  // Past the rows the library really holds, ItGetLine gives no row, which
  // ends the run through the error report.
  const std::uint64_t rows = rfc.ItFill(table);
  for (std::uint64_t line = 1; line <= rows; ++line) {
    const char* row = static_cast<const char*>(rfc.ItGetLine(table, static_cast<unsigned>(line)));
    if (row == nullptr) report_table_failure("ItGetLine TF_LAN_SINGLE");
    if (!filter.empty() && row_name(row) != filter) continue;
    for (std::size_t k = 0; k < totals.size(); ++k) {
      std::int32_t field;
      std::memcpy(&field, row + kTotalOffsets[k], sizeof field);
      totals[k] += static_cast<std::uint32_t>(field);
    }
  }
  return totals;
}

namespace {

std::string failure_text(int code, const std::string& exception_name) {
  switch (code) {
    case RFC_FAILURE:
      return error_text(Fault::kCallFailure);
    case RFC_EXCEPTION:
      return error_text(Fault::kCallException, {exception_name});
    case RFC_SYS_EXCEPTION:
      return error_text(Fault::kCallSystemException);
    default:
      return error_text(Fault::kCallOtherFailure);
  }
}

}  // namespace

Measurement NetworkUsage::measure_network_usage(RfcContext& context, RFC_HANDLE handle,
                                                std::string_view destination, std::string_view interface_name,
                                                const std::function<void(const Measurement&)>& delivered) {
  ITAB_H table = context.rfc.ItCreate("TF_LAN_SINGLE", kLanRowLength, 0, 0);
  if (table == nullptr) report_table_failure("ItCreate TF_LAN_SINGLE");

  LanReceiveAreas areas;
  std::string exception_name;
  Measurement measurement;
  measurement.code = statistics_.call_lan_statistics(context, handle, "LOCAL ", areas, table, exception_name);
  if (measurement.call_ok()) {
    measurement.totals = add_up_rows(context.rfc, table, upper_case(interface_name));
    measurement.message = message_text(destination, interface_name, measurement.totals);
    if (delivered) delivered(measurement);
  } else {
    measurement.failure_text = failure_text(measurement.code, exception_name);
  }

  if (context.rfc.ItDelete(table) != 0) report_table_failure("ItDelete TF_LAN_SINGLE");
  return measurement;
}

}  // namespace quillar
