// What a child run tells its parent: one ordered stream of records in a
// file of its scratch folder. Each record is written whole and flushed at
// once, so a child that is ended at any moment leaves a stream whose records
// up to the last whole one stand. The end record is the only proof that the
// child completed its work.
#ifndef QUILLAR_DRIVER_CHILD_RECORDS_H_
#define QUILLAR_DRIVER_CHILD_RECORDS_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/processing_run.h"
#include "platform/platform.h"

namespace quillar {

// The stream's file in the scratch folder.
inline constexpr char kRecordsFile[] = "Quillar.records";

enum class RecordKind : char {
  kChannelName = 'N',   // a global run's system: the channel's name
  kSystemLine = 'L',    // its trace line, before the state word
  kConsole = 'C',       // bytes of standard output
  kReport = 'R',        // bytes of standard output from the RFC error report
  kBeginLine = 'B',     // the output after it begins a line (no payload)
  kValue = 'V',         // the item's value, decimal
  kState = 'S',         // the system's state, a SystemState as a digit
  kTraceRemoved = 'D',  // the RFC trace file was removed
  kEnd = 'E',           // the exit code, a digit: the work is complete
};

// One record as it stands in the file: its kind, the length of its payload
// in decimal, ":", the payload's bytes and a line feed.
std::string encode_record(RecordKind kind, std::string_view payload);

// The stream read back. Reading stops at the first record that is cut off,
// malformed or of an unknown kind, and after the end record.
struct ChildRecords {
  // Console and report bytes, line beginnings and values, in the order the
  // child wrote them.
  struct Output {
    RecordKind kind;
    std::string bytes;
    std::uint32_t value = 0;
  };
  std::vector<Output> output;
  std::string channel_name;
  std::string system_line;
  std::optional<SystemState> state;
  bool trace_removed = false;
  // Set by the end record alone.
  std::optional<int> exit_code;
};

// A stream holds at most this many bytes; the rest of a longer one is not
// read, so such a child never completes.
inline constexpr std::size_t kRecordsRoom = 4 * 1024 * 1024;
// One record's payload holds at most this many bytes; console output is
// written in records of at most this size.
inline constexpr std::size_t kRecordPayloadRoom = 64 * 1024;

ChildRecords decode_records(std::string_view stream);

// The stream of a child's scratch folder; an empty one when it does not open.
ChildRecords read_child_records(Folder& scratch);

// The exit code of a child that could not write a record: it never writes
// its end record then, and its parent reports how it ended.
inline constexpr int kExitRecordsLost = 3;
// The exit code of a child whose parent has ended, or is not the process
// that started it: as a kill would have ended it.
inline constexpr int kExitParentGone = 137;

}  // namespace quillar

#endif  // QUILLAR_DRIVER_CHILD_RECORDS_H_
