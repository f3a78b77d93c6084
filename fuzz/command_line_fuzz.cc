// The command line and the option string: up to four arguments, separated by
// zero bytes in the input, through start-up to the error document.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/sensor.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> command_line = {"quillar.exe"};
  std::size_t start = 0;
  while (start <= input.size() && command_line.size() < 5) {
    std::size_t end = input.find('\0', start);
    if (end == std::string::npos) end = input.size();
    command_line.push_back(input.substr(start, end - start));
    start = end + 1;
  }
  quillar::FakePlatform platform;
  platform.files["C:\\PRTG_Path.Txt"] = "C:\\PRTG\\\r\n";
  platform.files["C:\\PRTG\\Custom Sensors\\ExeXml\\SAP Orvanta.Gbl"] = "";
  int exit_code = quillar::run_sensor(platform, command_line);
  if (exit_code != 2 && exit_code != 0) __builtin_trap();
  return 0;
}
