#include "profiles/read_report.h"

namespace quillar {

void report_encoding(LineReader& reader, ReadReport* report) {
  if (report == nullptr) return;
  report->skipped_byte_order_mark = reader.skipped_byte_order_mark();
  report->saved_as_utf16 = reader.saved_as_utf16();
  report->saved_as_utf16_without_mark = reader.saved_as_utf16_without_mark();
}

ReportedLine reported_line(const LineReader& reader, const std::string& line, LineUse use) {
  return ReportedLine{reader.line_number(), line, reader.line_goes_on(), use};
}

void report_line(const LineReader& reader, const std::string& line, LineUse use, ReadReport* report) {
  if (report != nullptr) report->lines.push_back(reported_line(reader, line, use));
}

void report_rest_after_fault(LineReader& reader, ReadReport* report) {
  if (report == nullptr) return;
  std::string line;
  while (reader.next_line(line)) report_line(reader, line, LineUse::kAfterFault, report);
}

}  // namespace quillar
