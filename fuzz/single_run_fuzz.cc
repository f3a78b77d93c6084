// A whole single-system run against the stand-in.
#include <cstddef>
#include <cstdint>

#include "driver/sensor.h"
#include "run_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  quillar::FakePlatform platform;
  quillar::lay_out_installation(input, platform);
  std::string options = input.ConsumeRandomLengthString(140);
  std::string extra_lines = input.ConsumeRandomLengthString(400);
  quillar::write_scratch_file("RfcSim.ini", quillar::fuzz_system(input, "BIN", "sapbin"));
  platform.files[std::string(quillar::kFuzzSensors) + "PRD.P00"] = quillar::fuzz_profile("BIN", "sapbin") + extra_lines;
  int exit_code = quillar::run_sensor(platform, {"quillar.exe", "PRD", options});
  if (exit_code != 0 && exit_code != 2) __builtin_trap();
  return 0;
}
