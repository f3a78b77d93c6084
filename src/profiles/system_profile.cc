#include "profiles/system_profile.h"

#include <algorithm>

#include "output/texts.h"
#include "platform/line_reader.h"

namespace quillar {

const std::array<ProfileLabel, 11> kProfileLabels = {{
    {"Extcompany.:", &LogonEntries::extcompany, 2, 63},
    {"Destination:", &LogonEntries::destination, 3, 11},
    {"Client.....:", &LogonEntries::client, 3, 11},
    {"User.......:", &LogonEntries::user, 2, 47},
    {"Password...:", &LogonEntries::password, 2, 31},
    {"Language...:", &LogonEntries::language, 1, 31},
    {"Mode.......:", &LogonEntries::mode, 3, 31},
    {"Hostname...:", &LogonEntries::hostname, 2, 47},
    {"Sysnr......:", &LogonEntries::sysnr, 2, 31},
    {"Gwhost.....:", &LogonEntries::gwhost, 2, 61},
    {"Gwservice..:", &LogonEntries::gwservice, 2, 31},
}};

std::size_t readable_room(const ProfileLabel& label) { return std::min(label.room, kValueRoom); }

namespace {

std::string fault_text(std::string_view head, std::string_view profile_name, std::string_view tail) {
  std::string text(head);
  text += profile_name;
  text += tail;
  return text;
}

// The end-of-file checks, in the order in which they are reported.
Status check_entries(const LogonEntries& entries, std::string_view profile_name) {
  if (entries.user.empty()) {
    return Status::Error(fault_text("Error 1006: Username in Profile ", profile_name, " is missing..."));
  }
  if (entries.password.empty()) {
    return Status::Error(fault_text("Error 1007: Password in Profile ", profile_name, " is missing..."));
  }
  for (const ProfileLabel& label : kProfileLabels) {
    if ((entries.*label.entry).size() < label.shortest) {
      return Status::Error(fault_text("Error 1003: Invalid Parameter(s) at ", profile_name, " found..."));
    }
  }
  // Every entry but the external company chooses the system or the logon, so
  // a value too long for its entry is refused rather than cut.
  for (const ProfileLabel& label : kProfileLabels) {
    if ((entries.*label.entry).size() > label.room) {
      return Status::Error(fault_text("Error 1008: Too long Parameter(s) at ", profile_name, " found..."));
    }
  }
  return Status::Ok();
}

}  // namespace

Status read_system_profile(ReadableFile& profile, std::string_view profile_name, bool global_run,
                           const OffsetTable& table, LogonEntries& entries) {
  entries = LogonEntries();
  Status first_fault = Status::Ok();
  LineReader reader(profile, global_run ? kGlobalRunLineRoom : kSystemRunLineRoom);
  if (reader.saved_as_utf16()) return Status::Error(utf16_file_text(profile_name));
  std::string line;
  while (reader.next_line(line)) {
    std::string_view label = std::string_view(line).substr(0, 12);
    std::string_view value;
    if (line.size() >= kValueColumn) value = std::string_view(line).substr(kValueColumn - 1, kValueRoom);
    for (const ProfileLabel& known : kProfileLabels) {
      if (label != known.label) continue;
      if (known.entry == &LogonEntries::user) {
        entries.user = upper_case(value);
      } else if (known.entry == &LogonEntries::password) {
        Descrambled descrambled = descramble_password(table, value);
        entries.password = descrambled.password;
        Status fault = Status::Ok();
        if (descrambled.fault == PasswordFault::kInvalidHeader) {
          fault = Status::Error(fault_text("Error 1004: Invalid Password in Profile ", profile_name, " found..."));
        } else if (descrambled.fault == PasswordFault::kWrongCheckDigit) {
          fault = Status::Error(fault_text("Error 1005: Wrong Password in Profile ", profile_name, " found..."));
        }
        if (!fault.is_ok()) {
          if (!global_run) return fault;
          if (first_fault.is_ok()) first_fault = fault;
        }
      } else {
        entries.*known.entry = std::string(value);
      }
      break;
    }
  }
  Status checked = check_entries(entries, profile_name);
  return first_fault.is_ok() ? checked : first_fault;
}

}  // namespace quillar
