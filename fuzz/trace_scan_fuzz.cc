// The scan of the RFC trace file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "rfc/rfc_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillar::FakePlatform platform;
  platform.files["Dev_Rfc.Trc"] = std::string(reinterpret_cast<const char*>(data), size);
  // The remark is " - " and at most 87 characters of the file.
  if (quillar::trace_file_remark(platform).size() > 3 + 87) __builtin_trap();
  return 0;
}
