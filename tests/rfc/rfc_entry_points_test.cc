#include "rfc/rfc_entry_points.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace quillar {
namespace {

// Every export of a complete library, at the addresses of the linked stand-in.
FakeLibrary complete_library() {
  FakeLibrary library;
  const std::pair<const char*, void*> exports[] = {
      {"RfcEnvironment", reinterpret_cast<void*>(&::RfcEnvironment)},
      {"RfcOpen", reinterpret_cast<void*>(&::RfcOpen)},
      {"RfcOpenEx", reinterpret_cast<void*>(&::RfcOpenEx)},
      {"RfcClose", reinterpret_cast<void*>(&::RfcClose)},
      {"RfcLastError", reinterpret_cast<void*>(&::RfcLastError)},
      {"RfcInstallStructure", reinterpret_cast<void*>(&::RfcInstallStructure)},
      {"RfcCall", reinterpret_cast<void*>(&::RfcCall)},
      {"RfcReceive", reinterpret_cast<void*>(&::RfcReceive)},
      {"ItCreate", reinterpret_cast<void*>(&::ItCreate)},
      {"ItFill", reinterpret_cast<void*>(&::ItFill)},
      {"ItGetLine", reinterpret_cast<void*>(&::ItGetLine)},
      {"ItDelete", reinterpret_cast<void*>(&::ItDelete)},
  };
  for (const auto& [name, address] : exports) library.entry_points[name] = address;
  return library;
}

TEST(RfcEntryPointsTest, ResolvesEveryEntryPointByItsPlainName) {
  FakePlatform platform;
  platform.libraries["librfc32.dll"] = complete_library();
  RfcLibrary library;
  ASSERT_TRUE(load_rfc_library(platform, "librfc32.dll", library).is_ok());
  EXPECT_TRUE(library.is_open());
  EXPECT_EQ(library.entry_points.RfcOpen, &::RfcOpen);
  EXPECT_EQ(library.entry_points.RfcInstallStructure, &::RfcInstallStructure);
  EXPECT_EQ(library.entry_points.ItDelete, &::ItDelete);
  EXPECT_EQ(platform.loads, std::vector<std::string>{"librfc32.dll"});
}

TEST(RfcEntryPointsTest, EachLoadFailureHasItsNumberedText) {
  const std::string bits = std::to_string(sizeof(void*) * 8);
  auto lacking = [](const char* name) {
    FakeLibrary library = complete_library();
    library.entry_points.erase(name);
    return library;
  };
  FakeLibrary wrong_bitness;
  wrong_bitness.load_error = kLoadBadFormat;
  FakeLibrary denied;
  denied.load_error = 5;
  const struct {
    const char* name;
    std::optional<FakeLibrary> library;
    std::string text;
  } cases[] = {
      {"not found", std::nullopt,
       "Error 1051: librfc32.dll not found (Windows error 126), copy it beside quillar.exe or into the system "
       "folder..."},
      {"other bitness", wrong_bitness,
       "Error 1052: librfc32.dll has the wrong bitness (Windows error 193), this " + bits +
           "-bit quillar.exe needs a " + bits + "-bit librfc32.dll..."},
      {"entry point missing", lacking("RfcInstallStructure"),
       "Error 1053: librfc32.dll lacks the entry point RfcInstallStructure (Windows error 127), install the "
       "vendor's RFC library..."},
      {"last entry point missing", lacking("ItDelete"),
       "Error 1053: librfc32.dll lacks the entry point ItDelete (Windows error 127), install the vendor's RFC "
       "library..."},
      {"any other failure", denied,
       "Error 1054: librfc32.dll cannot be loaded (Windows error 5), check the file and its access rights..."},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    if (c.library) platform.libraries["librfc32.dll"] = *c.library;
    RfcLibrary library;
    Status status = load_rfc_library(platform, "librfc32.dll", library);
    EXPECT_EQ(status.text(), c.text) << c.name;
    EXPECT_LE(status.text().size(), 127u) << c.name << ": the room of an error text";
    EXPECT_FALSE(library.is_open()) << c.name;
  }
}

}  // namespace
}  // namespace quillar
