// The commands of quillar-profile that write: create and passwd write system
// profiles through the sensor's writer, scramble prints a stored password.
#ifndef QUILLAR_TOOL_PROFILE_WRITING_H_
#define QUILLAR_TOOL_PROFILE_WRITING_H_

#include <string>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// Writes the system profile that `arguments` (see CreateRequest) describe,
// with a password from standard input. Gives the exit code.
int create_profile(Platform& platform, const std::vector<std::string>& arguments);

// Replaces the password of the profile `file` with one from standard input,
// keeping every other byte. Gives the exit code.
int change_password(Platform& platform, const std::string& file);

// Prints the stored form of a password from standard input. Gives the exit
// code.
int print_scrambled_password(Platform& platform);

}  // namespace quillar

#endif  // QUILLAR_TOOL_PROFILE_WRITING_H_
