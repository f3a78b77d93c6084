#include "profiles/system_profile.h"

#include <algorithm>

#include "base/errors.h"
#include "base/texts.h"
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

std::string with_default_extension(std::string name) {
  if (name.size() < 4 || name[name.size() - 4] != '.') name += ".P00";
  return name;
}

std::size_t readable_room(const ProfileLabel& label) { return std::min(label.room, kValueRoom); }

const ProfileLabel* label_of(std::string_view line) {
  const std::string_view label = line.substr(0, 12);
  for (const ProfileLabel& known : kProfileLabels) {
    if (label == known.label) return &known;
  }
  return nullptr;
}

std::string_view value_of(std::string_view line) {
  return line.size() >= kValueColumn ? line.substr(kValueColumn - 1, kValueRoom) : std::string_view();
}

namespace {

// The end-of-file checks, in the order in which they are reported.
Status check_entries(const LogonEntries& entries, std::string_view profile_name) {
  if (entries.user.empty()) {
    return error_status(Fault::kUserMissing, {profile_name});
  }
  if (entries.password.empty()) {
    return error_status(Fault::kPasswordMissing, {profile_name});
  }
  for (const ProfileLabel& label : kProfileLabels) {
    if ((entries.*label.entry).size() < label.shortest) {
      return error_status(Fault::kInvalidParameters, {profile_name});
    }
  }
  // Every entry but the external company chooses the system or the logon, so
  // a value too long for its entry is refused rather than cut.
  for (const ProfileLabel& label : kProfileLabels) {
    if ((entries.*label.entry).size() > label.room) {
      return error_status(Fault::kTooLongParameters, {profile_name});
    }
  }
  return Status::Ok();
}

// Sets the entry of `label` to `value`: the user upper-cased, the password
// descrambled. Gives the fault of a bad password.
Status take_value(const ProfileLabel& label, std::string_view value, std::string_view profile_name,
                  const OffsetTable& table, LogonEntries& entries) {
  if (label.entry == &LogonEntries::user) {
    entries.user = upper_case(value);
  } else if (label.entry == &LogonEntries::password) {
    Descrambled descrambled = descramble_password(table, value);
    entries.password = descrambled.password;
    if (descrambled.fault == PasswordFault::kInvalidHeader) {
      return error_status(Fault::kInvalidPassword, {profile_name});
    }
    if (descrambled.fault == PasswordFault::kWrongCheckDigit) {
      return error_status(Fault::kWrongPassword, {profile_name});
    }
  } else {
    entries.*label.entry = std::string(value);
  }
  return Status::Ok();
}

}  // namespace

Status read_system_profile(ReadableFile& profile, std::string_view profile_name, ProfileUse use,
                           const OffsetTable& table, LogonEntries& entries, ReadReport* report) {
  entries = LogonEntries();
  Status first_fault = Status::Ok();
  const bool global_run = use == ProfileUse::kGlobalRun;
  LineReader reader(profile, global_run ? kGlobalRunLineRoom : kSystemRunLineRoom);
  report_encoding(reader, report);
  if (reader.saved_as_utf16()) return error_status(Fault::kSavedAsUtf16, {profile_name});
  std::string line;
  while (reader.next_line(line)) {
    const ProfileLabel* label = label_of(line);
    if (label == nullptr) {
      report_line(reader, line, LineUse::kNoLabel, report);
      continue;
    }
    report_line(reader, line, LineUse::kTaken, report);
    Status fault = take_value(*label, value_of(line), profile_name, table, entries);
    if (fault.is_ok()) continue;
    if (!global_run) {
      report_rest_after_fault(reader, report);
      return fault;
    }
    if (first_fault.is_ok()) first_fault = fault;
  }
  Status checked = check_entries(entries, profile_name);
  return first_fault.is_ok() ? checked : first_fault;
}

}  // namespace quillar
