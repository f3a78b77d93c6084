// System profiles: the logon data of one SAP system, one labelled entry per
// line ("Destination: BIN").
#ifndef QUILLAR_PROFILES_SYSTEM_PROFILE_H_
#define QUILLAR_PROFILES_SYSTEM_PROFILE_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "base/status.h"
#include "platform/platform.h"
#include "profiles/password.h"
#include "profiles/read_report.h"

namespace quillar {

struct LogonEntries {
  std::string extcompany;
  std::string destination;
  std::string client;
  std::string user;      // upper-cased
  std::string password;  // descrambled
  std::string language;
  std::string mode;
  std::string hostname;
  std::string sysnr;
  std::string gwhost;
  std::string gwservice;
};

// One line of the format: its label (the first 12 characters of the line),
// the entry it sets, and the shortest and longest value the sensor accepts.
struct ProfileLabel {
  std::string_view label;
  std::string LogonEntries::*entry;
  std::size_t shortest;
  std::size_t room;
};

// In the order in which lines are matched and profiles are written.
extern const std::array<ProfileLabel, 11> kProfileLabels;

// The value of a line begins in this column (counted from 1); the column
// before it separates label and value and is never read.
inline constexpr std::size_t kValueColumn = 14;
// A line's value holds at most this many characters.
inline constexpr std::size_t kValueRoom = 60;
// The longest value of this entry that the sensor reads back as written: a
// line's value is cut after kValueRoom characters, whatever the entry's room.
std::size_t readable_room(const ProfileLabel& label);

// Pieces in which the two runs read a profile (line feed included).
inline constexpr std::size_t kSystemRunLineRoom = 99;
inline constexpr std::size_t kGlobalRunLineRoom = 199;

// The label that `line` begins with, or nothing: the first 12 characters
// compared exactly.
const ProfileLabel* label_of(std::string_view line);
// The value of a labelled line: from kValueColumn on, at most kValueRoom
// characters; empty when the line is shorter.
std::string_view value_of(std::string_view line);

// A profile name as the sensor takes it: a name whose fourth-last character
// is not a "." gets the extension ".P00". The test looks at the whole name,
// folder included, because existing sensor set-ups name their profiles with
// that in mind.
std::string with_default_extension(std::string name);

// Which run reads a system profile.
enum class ProfileUse { kSingleSystem, kGlobalRun };

// Reads a system profile to its end, or, in the single-system run, to a bad
// password. The entries are emptied first, so nothing of another profile
// survives. Gives the first fault as the sensor's error text naming
// `profile_name`. In the global run the reading goes on to the end of the
// file after a fault, and a bad password leaves the password entry empty.
// With a `report`, every line is reported as taken (a labelled line) or
// skipped; a single-system run that stops at a bad password reports the
// lines after it as skipped.
Status read_system_profile(ReadableFile& profile, std::string_view profile_name, ProfileUse use,
                           const OffsetTable& table, LogonEntries& entries, ReadReport* report = nullptr);

}  // namespace quillar

#endif  // QUILLAR_PROFILES_SYSTEM_PROFILE_H_
