#include "driver/child_records.h"

#include <algorithm>

#include "base/texts.h"

namespace quillar {
namespace {

// Takes one record's meaning into `records`; false when the payload does not
// fit its kind.
bool take_record(char kind, std::string_view payload, ChildRecords& records) {
  switch (static_cast<RecordKind>(kind)) {
    case RecordKind::kChannelName:
      records.channel_name = payload;
      return true;
    case RecordKind::kSystemLine:
      records.system_line = payload;
      return true;
    case RecordKind::kConsole:
    case RecordKind::kReport:
      records.output.push_back({static_cast<RecordKind>(kind), std::string(payload)});
      return true;
    case RecordKind::kBeginLine:
      if (!payload.empty()) return false;
      records.output.push_back({RecordKind::kBeginLine, ""});
      return true;
    case RecordKind::kValue: {
      std::optional<std::uint64_t> value = plain_decimal(payload, 10);
      if (!value || *value > 0xFFFFFFFFu) return false;
      records.output.push_back({RecordKind::kValue, "", static_cast<std::uint32_t>(*value)});
      return true;
    }
    case RecordKind::kState: {
      std::optional<std::uint64_t> state = plain_decimal(payload, 1);
      if (!state || *state > static_cast<std::uint64_t>(SystemState::kRfcFailure)) return false;
      records.state = static_cast<SystemState>(*state);
      return true;
    }
    case RecordKind::kTraceRemoved:
      if (!payload.empty()) return false;
      records.trace_removed = true;
      return true;
    case RecordKind::kEnd: {
      std::optional<std::uint64_t> code = plain_decimal(payload, 1);
      if (!code || *code > static_cast<std::uint64_t>(kExitErrorDocument)) return false;
      records.exit_code = static_cast<int>(*code);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string encode_record(RecordKind kind, std::string_view payload) {
  std::string record(1, static_cast<char>(kind));
  record += std::to_string(payload.size());
  record += ':';
  record += payload;
  record += '\n';
  return record;
}

ChildRecords decode_records(std::string_view stream) {
  ChildRecords records;
  stream = stream.substr(0, std::min(stream.size(), kRecordsRoom));
  std::size_t at = 0;
  while (at < stream.size() && !records.exit_code) {
    const char kind = stream[at];
    const std::size_t colon = stream.find(':', at + 1);
    if (colon == std::string_view::npos) break;
    std::optional<std::uint64_t> written_length = plain_decimal(stream.substr(at + 1, colon - at - 1), 6);
    if (!written_length || *written_length > kRecordPayloadRoom) break;
    const std::size_t length = static_cast<std::size_t>(*written_length);
    const std::size_t payload_at = colon + 1;
    if (stream.size() - payload_at < length + 1 || stream[payload_at + length] != '\n') break;
    if (!take_record(kind, stream.substr(payload_at, length), records)) break;
    at = payload_at + length + 1;
  }
  return records;
}

ChildRecords read_child_records(Folder& scratch) {
  // Anything but a plain file in its place is not the child's stream.
  return decode_records(plain_file_content(scratch, kRecordsFile, kRecordsRoom).value_or(""));
}

}  // namespace quillar
