// The path override file "C:\PRTG_Path.Txt" and the search it steers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "profiles/sensor_directory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillar::FakePlatform platform;
  platform.files["C:\\PRTG_Path.Txt"] = std::string(reinterpret_cast<const char*>(data), size);
  platform.files["D:\\PRTG\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\PRD.P00"] = "x";
  platform.files["\\Program Files\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\PRD.P00"] = "x";
  platform.files["D:\\Profiles\\PRD.P00"] = "x";
  quillar::SensorDirectory found;
  quillar::Status status = quillar::find_sensor_directory(platform, "PRD.P00", found);
  if (status.is_ok() && (found.profile == nullptr || found.folder.size() > quillar::kSensorDirectoryRoom)) {
    __builtin_trap();
  }
  return 0;
}
