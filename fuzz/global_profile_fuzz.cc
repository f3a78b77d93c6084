// The global profiles in both forms. The first line of the input is the
// option string of the command line, the rest the profile.
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/options.h"
#include "driver/startup.h"
#include "fuzz_support.h"
#include "profiles/global_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t line_end = input.find('\n');
  std::string options = input.substr(0, line_end);
  std::string profile = line_end == std::string::npos ? "" : input.substr(line_end + 1);
  for (const char* first : {"GLOBAL", "PRD"}) {
    quillar::FakePlatform platform;
    platform.files["SAP Orvanta.Gbl"] = profile;
    platform.files["Orvanta.Prf"] = profile;
    quillar::RunSettings settings;
    std::string form_options = std::string(first) == "PRD" ? options + " ITEM=In-Errors" : options;
    if (!quillar::read_command_line({first, form_options}, settings).is_ok()) continue;
    quillar::GlobalAllocation allocation;
    quillar::Status status =
        settings.profile_name == quillar::kItemProfileName
            ? quillar::read_item_profile(platform, settings.profile_name, settings.options.item.value_or(""),
                                         allocation)
            : quillar::read_global_profile(platform, settings.profile_name, settings.options.sensor_key,
                                           settings.sensor_argument, quillar::read_sensor_line, allocation);
    if (status.is_ok()) {
      std::size_t listing_size = 0;
      for (const std::string& name : allocation.server_listing) {
        if (name.find('#') != std::string::npos) __builtin_trap();
        listing_size += name.size() + 1;
      }
      if (allocation.server_listing.empty() || listing_size > quillar::GlobalAllocation::kServerListingRoom ||
          allocation.item.empty() || allocation.item.size() > quillar::GlobalAllocation::kItemRoom ||
          allocation.sensor_options.size() > quillar::GlobalAllocation::kSensorOptionsRoom) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
