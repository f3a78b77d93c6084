// The system profile reader, with the password descrambling, in both runs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "profiles/system_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const quillar::OffsetTable table;
  quillar::FakePlatform platform;
  platform.files["PRD.P00"] = std::string(reinterpret_cast<const char*>(data), size);
  for (bool global_run : {false, true}) {
    std::unique_ptr<quillar::ReadableFile> file = platform.open_text("PRD.P00");
    quillar::LogonEntries entries;
    const quillar::ProfileUse use = global_run ? quillar::ProfileUse::kGlobalRun : quillar::ProfileUse::kSingleSystem;
    quillar::Status status = quillar::read_system_profile(*file, "PRD.P00", use, table, entries);
    if (status.is_ok()) {
      for (const quillar::ProfileLabel& label : quillar::kProfileLabels) {
        const std::string& value = entries.*label.entry;
        if (value.size() < label.shortest || value.size() > label.room) __builtin_trap();
      }
    }
  }
  return 0;
}
