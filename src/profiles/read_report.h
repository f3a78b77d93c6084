// What a reader of a profile took from it and what it passed over, line by
// line, for an administrator who asks why the sensor read what it read. The
// sensor itself never asks for one.
#ifndef QUILLAR_PROFILES_READ_REPORT_H_
#define QUILLAR_PROFILES_READ_REPORT_H_

#include <cstddef>
#include <string>
#include <vector>

#include "platform/line_reader.h"

namespace quillar {

// What the reader did with a line.
enum class LineUse {
  kTaken,
  // Passed over: a system profile's line whose first 12 characters are no
  // label.
  kNoLabel,
  // Passed over: a global profile's line that begins with no marker the
  // reader matches.
  kNoMarker,
  // Passed over: a server or sensor line of another sensor key.
  kOtherKey,
  // Passed over: a sensor line of the key after its first, which alone is
  // read.
  kSecondSensorLine,
  // Passed over: a line after the fault that ended the reading.
  kAfterFault,
  // Passed over: a line of the path override file that names no folder.
  kNoFolder,
};

// A line as the reader got it: its number in the file (from 1) and its text
// without line end. A line longer than the reader's piece comes as several
// pieces with the same number, which the reader reads as lines of their own;
// `goes_on` marks every piece but the last.
struct ReportedLine {
  std::size_t number = 0;
  std::string text;
  bool goes_on = false;
  LineUse use = LineUse::kTaken;
  // A line of a file read as UTF-8 that holds a character the code page of
  // names lacks: its text stands as saved, in UTF-8.
  bool beyond_code_page = false;
  bool taken() const { return use == LineUse::kTaken; }
};

struct ReadReport {
  // How the file was saved, as the reader found it.
  bool skipped_byte_order_mark = false;
  bool saved_as_utf16 = false;
  bool saved_as_utf16_without_mark = false;
  // The path override file alone: it is saved as UTF-8, and its lines were
  // read in the code page of names.
  bool read_as_utf8 = false;
  // Every line read, in file order.
  std::vector<ReportedLine> lines;
};

// The readers' side: each does nothing without a report.
// The encoding facts of `reader`.
void report_encoding(LineReader& reader, ReadReport* report);
// The reader's last line as a report holds it, used as `use`.
ReportedLine reported_line(const LineReader& reader, const std::string& line, LineUse use);
// The reader's last line, used as `use`.
void report_line(const LineReader& reader, const std::string& line, LineUse use, ReadReport* report);
// Reads the rest of the file into the report, passed over after a fault.
void report_rest_after_fault(LineReader& reader, ReadReport* report);

}  // namespace quillar

#endif  // QUILLAR_PROFILES_READ_REPORT_H_
