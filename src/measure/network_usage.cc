#include "measure/network_usage.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

LanRow decode_lan_row(const char* row) {
  LanRow decoded;
  std::size_t length = 0;
  while (length < kLanNameLength && row[kLanNameOffset + length] != '\0') ++length;
  decoded.name = without_trailing_blanks(std::string_view(row + kLanNameOffset, length));
  for (std::size_t k = 0; k < decoded.counters.size(); ++k) {
    std::int32_t field;
    std::memcpy(&field, row + kTotalOffsets[k], sizeof field);
    decoded.counters[k] = static_cast<std::uint32_t>(field);
  }
  return decoded;
}

}  // namespace

bool row_selected(const LanRow& row, std::string_view filter) {
  return filter.empty() || upper_case(row.name) == filter;
}

void for_each_lan_row(const RfcEntryPoints& rfc, ITAB_H table, const std::function<void(const LanRow&)>& take) {
  // The count is read once and counted against in a wider type: a count of
  // 2^32 - 1 would otherwise wrap the line number and never end the loop.
  // Past the rows the library really holds, ItGetLine gives no row, which
  // ends the run through the error report.
  const std::uint64_t rows = rfc.ItFill(table);
  for (std::uint64_t line = 1; line <= rows; ++line) {
    const char* row = static_cast<const char*>(rfc.ItGetLine(table, static_cast<unsigned>(line)));
    if (row == nullptr) report_table_failure("ItGetLine TF_LAN_SINGLE");
    take(decode_lan_row(row));
  }
}

std::array<std::uint32_t, 6> add_up_rows(const RfcEntryPoints& rfc, ITAB_H table, std::string_view filter) {
  std::array<std::uint32_t, 6> totals{};
  for_each_lan_row(rfc, table, [&](const LanRow& row) {
    if (!row_selected(row, filter)) return;
    for (std::size_t k = 0; k < totals.size(); ++k) totals[k] += row.counters[k];
  });
  return totals;
}

ITAB_H NetworkUsage::create_table(const RfcEntryPoints& rfc) {
  ITAB_H table = rfc.ItCreate("TF_LAN_SINGLE", kLanRowLength, 0, 0);
  if (table == nullptr) report_table_failure("ItCreate TF_LAN_SINGLE");
  return table;
}

Measurement NetworkUsage::measure_network_usage(RfcContext& context, RFC_HANDLE handle, ITAB_H table,
                                                std::string_view interface_name) {
  LanReceiveAreas areas;
  Measurement measurement;
  measurement.code =
      statistics_.call_lan_statistics(context, handle, "LOCAL ", areas, table, measurement.exception_name);
  if (measurement.call_ok()) measurement.totals = add_up_rows(context.rfc, table, upper_case(interface_name));
  return measurement;
}

void NetworkUsage::release_table(const RfcEntryPoints& rfc, ITAB_H table) {
  if (rfc.ItDelete(table) != 0) report_table_failure("ItDelete TF_LAN_SINGLE");
}

}  // namespace quillar
