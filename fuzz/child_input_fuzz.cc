// What a child run reads: the job handed to it and its command line, through
// the sensor's whole start-up; and, on the parent's side, the record stream
// a child leaves.
#include <cstddef>
#include <cstdint>

#include "driver/child_records.h"
#include "driver/sensor.h"
#include "run_fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  quillar::FakePlatform platform;
  quillar::lay_out_installation(input, platform);
  const std::string sensors = quillar::kFuzzSensors;
  platform.files[sensors + "PRD.P00"] = quillar::fuzz_profile("BIN", "sapbin");
  platform.files[sensors + "Orvanta.Prf"] = "# Gsng: ITEM form   PRD.P00#QAS.P00#\r\n";
  platform.folders.insert("Quillar.7.1");
  platform.files["Quillar.7.1\\Quillar.job"] = "0123456789abcdef0123456789abcdef";
  if (input.ConsumeBool()) {
    platform.job_on_input = "Quillar child job 1\n" +
                            (input.ConsumeBool() ? std::string("Quillar.7.1") : input.ConsumeRandomLengthString(40)) +
                            "\n" + input.ConsumeRandomLengthString(8) + "\n" + input.ConsumeRandomLengthString(40) + "\n";
  } else if (input.ConsumeBool()) {
    platform.job_on_input = input.ConsumeRandomLengthString(200);
  }
  std::vector<std::string> command_line = {"quillar.exe"};
  const int more = input.ConsumeIntegralInRange(0, 4);
  for (int k = 0; k < more; ++k) command_line.push_back(input.ConsumeRandomLengthString(200));
  int exit_code = quillar::run_sensor(platform, command_line);
  if (exit_code != 0 && exit_code != 2) __builtin_trap();

  const std::string stream = input.ConsumeRemainingBytesAsString();
  quillar::ChildRecords records = quillar::decode_records(stream);
  std::size_t bytes = 0;
  for (const auto& output : records.output) bytes += output.bytes.size();
  if (bytes > stream.size()) __builtin_trap();
  return 0;
}
