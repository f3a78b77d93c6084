// The arguments of quillar-profile create: the file, the entries and
// --force, in any order, each value checked against what the sensor reads
// back unchanged.
#ifndef QUILLAR_TOOL_CREATE_REQUEST_H_
#define QUILLAR_TOOL_CREATE_REQUEST_H_

#include <string>
#include <vector>

#include "profiles/system_profile.h"

namespace quillar {

struct CreateRequest {
  std::string file;
  // Every entry but the password, which comes from standard input.
  LogonEntries entries;
  bool force = false;
};

// Reads the arguments of create; gives every problem at once.
std::vector<std::string> read_create_request(const std::vector<std::string>& arguments, CreateRequest& request);

}  // namespace quillar

#endif  // QUILLAR_TOOL_CREATE_REQUEST_H_
