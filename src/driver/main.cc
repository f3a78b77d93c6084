// quillar: the PRTG sensor's executable. All of the work is in the library.
#include <memory>
#include <string>
#include <vector>

#include "driver/sensor.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  std::vector<std::string> command_line(argv, argv + argc);
  std::unique_ptr<quillar::Platform> platform = quillar::make_system_platform();
  return quillar::run_sensor(*platform, command_line);
}
