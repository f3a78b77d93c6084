// quillar-profile check: reads the profile that the sensor would read, with
// the sensor's readers, and names the line at fault from what they report.
#ifndef QUILLAR_TOOL_PROFILE_CHECK_H_
#define QUILLAR_TOOL_PROFILE_CHECK_H_

#include <string>
#include <vector>

#include "base/status.h"
#include "platform/platform.h"
#include "profiles/system_profile.h"

namespace quillar {

// Checks the profile that the sensor, started in the working directory with
// `arguments` (name, options, more options), would read, found as the sensor
// finds it. A system profile: prints its entries, the password masked, or
// the sensor's error text and the line and entry at fault. A global profile:
// see review_global_profile. Warns of what the sensor reads otherwise than a
// person sees it. Gives 0 when nothing is wrong.
int check_profile(Platform& platform, const std::vector<std::string>& arguments);

// What check finds in a system profile, read as the sensor reads it for
// `use`: one examination for check and for test.
struct SystemProfileFindings {
  LogonEntries entries;
  // The reader's verdict, and where its fault lies in words ("" when it
  // cannot be told or there is none).
  Status read = Status::Ok();
  std::string fault_place;
  // What the sensor reads otherwise than a person sees it.
  std::vector<std::string> warnings;
  // Lines that the reader takes but whose value the logon would hand on
  // with a blank at an end, each with what to write instead.
  std::vector<std::string> blank_faults;
};
SystemProfileFindings examine_system_profile(ReadableFile& file, const std::string& name, ProfileUse use);

}  // namespace quillar

#endif  // QUILLAR_TOOL_PROFILE_CHECK_H_
