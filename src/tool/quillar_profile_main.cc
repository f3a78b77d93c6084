// quillar-profile: the administrators' profile tool. All of the work is in the library.
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tool/profile_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::unique_ptr<quillar::Platform> platform = quillar::make_system_platform();
  return quillar::run_profile_tool(*platform, arguments);
}
