// A whole global run over two systems against the stand-in; the sensor line,
// further lines of the global profile and the options come from the input.
#include <cstddef>
#include <cstdint>

#include "driver/sensor.h"
#include "run_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  quillar::FakePlatform platform;
  quillar::lay_out_installation(input, platform);
  std::string options = input.ConsumeRandomLengthString(100);
  std::string parameters = input.ConsumeRandomLengthString(160);
  std::string more_lines = input.ConsumeRandomLengthString(600);
  std::string landscape = quillar::fuzz_system(input, "BIN", "sapbin") + quillar::fuzz_system(input, "QAS", "sapqas");
  quillar::write_scratch_file("RfcSim.ini", landscape);
  const std::string sensors = quillar::kFuzzSensors;
  platform.files[sensors + "PRD.P00"] = quillar::fuzz_profile("BIN", "sapbin");
  platform.files[sensors + "QAS.P00"] = quillar::fuzz_profile("QAS", "sapqas");
  platform.files[sensors + "SAP Orvanta.Gbl"] =
      "# GSNG: S1          PRD.P00#QAS.P00#\r\n# GSNX: S1         Sensor=\"SAP Quillar\" " + parameters + "\r\n" +
      more_lines;
  int exit_code = quillar::run_sensor(platform, {"quillar.exe", "GLOBAL", "S1 " + options});
  if (exit_code != 0 && exit_code != 2) __builtin_trap();
  return 0;
}
