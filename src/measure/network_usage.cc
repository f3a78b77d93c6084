#include "measure/network_usage.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "output/texts.h"
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

// The text after the first "LAN=" of the options as typed, cut at the first
// blank or comma after its first character.
std::string interface_of(const RunSettings& settings) {
  std::size_t at = settings.option_text.find("LAN=");
  if (at == std::string::npos) return std::string();
  std::string name = settings.option_text_raw.substr(std::min(at + 4, settings.option_text_raw.size()));
  std::size_t end = name.find_first_of(" ,", 1);
  if (end != std::string::npos) name.erase(end);
  return name;
}

std::string message_text(const std::string& destination, const std::string& interface_name,
                         const std::array<std::uint32_t, 6>& totals) {
  auto grouped = [&](std::size_t k) { return group_digits(std::to_string(totals[k])); };
  std::string text = "(" + destination;
  text += interface_name.empty() ? ") Network-Usage: " : ") Net-Usage LAN[" + interface_name + "]: ";
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

int NetworkUsage::measure_network_usage(RfcContext& context, RFC_HANDLE handle, const LogonEntries& entries,
                                        const std::string& channel_name, ResultDocument& document,
                                        ChannelWriter& channels, SystemOutcome& outcome) {
  ITAB_H table = context.rfc.ItCreate("TF_LAN_SINGLE", kLanRowLength, 0, 0);
  if (table == nullptr) report_table_failure("ItCreate TF_LAN_SINGLE");

  LanReceiveAreas areas;
  std::string exception_name;
  int code = statistics_.call_lan_statistics(context, handle, "LOCAL ", std::string(32, ' '), areas, table,
                                             exception_name);
  switch (code) {
    case RFC_OK:
      break;
    case RFC_FAILURE:
      document.append("Error 1014: RFC-Failure raised !");
      break;
    case RFC_EXCEPTION:
      document.append("Error 1012: Exception.: " + exception_name);
      break;
    case RFC_SYS_EXCEPTION:
      document.append("Error 1013: Sys-Exception raised !");
      break;
    default:
      document.append("Error 1015: Other Failure raised !");
      break;
  }

  if (code == RFC_OK) {
    outcome.call_ok = true;
    const RunSettings& settings = context.settings;
    interface_name_ = interface_of(settings);
    std::array<std::uint32_t, 6> totals = add_up_rows(context.rfc, table, upper_case(interface_name_));
    if (!settings.global_run) {
      document.begin_document();
      document.begin_text();
      document.append_element_text(message_text(entries.destination, interface_name_, totals));
      document.end_text();
      for (std::size_t k = 0; k < totals.size(); ++k) {
        channels.write_channel(document, "", kChannelLabels[k], std::to_string(totals[k]), "");
      }
      document.end_document();
    } else {
      outcome.found = true;
      document.clear();
      for (std::size_t k = 0; k < totals.size(); ++k) {
        if (settings.item != kChannelLabels[k]) continue;
        channels.write_channel(document, channel_name, channel_name, std::to_string(totals[k]), "");
        context.platform.write_console(document.text());
        document.clear();
      }
    }
  }

  if (context.rfc.ItDelete(table) != 0) report_table_failure("ItDelete TF_LAN_SINGLE");
  return code;
}

}  // namespace quillar
