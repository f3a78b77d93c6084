// The scan of the RFC trace file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "output/diagnostics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillar::FakePlatform platform;
  platform.files["Dev_Rfc.Trc"] = std::string(reinterpret_cast<const char*>(data), size);
  quillar::ResultDocument document;
  document.append("Error 1014: RFC-Failure raised !");
  quillar::scan_trace_file(platform, document);
  // The remark is " - " and at most 87 characters of the file.
  if (document.text().size() > 32 + 3 + 87) __builtin_trap();
  return 0;
}
