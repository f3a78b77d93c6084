#include "rfc/rfc_entry_points.h"

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "rfc/nwrfc_bridge.h"

namespace quillar {
namespace {

// Every export of a complete classic library, at the addresses of the linked
// stand-in.
FakeLibrary classic_library() {
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

// Every export of the SDK, at the addresses of the linked NetWeaver stand-in.
FakeLibrary netweaver_library() {
  FakeLibrary library;
  visit_nwrfc_entry_points(linked_nwrfc_entry_points(), [&](const char* name, auto entry_point, bool) {
    library.entry_points[name] = reinterpret_cast<void*>(entry_point);
  });
  return library;
}

FakeLibrary failing(unsigned long error) {
  FakeLibrary library;
  library.load_error = error;
  return library;
}

FakeLibrary lacking(FakeLibrary library, const char* name) {
  library.entry_points.erase(name);
  return library;
}

TEST(RfcEntryPointsTest, TheClassicLibraryWinsByItsPlainNames) {
  FakePlatform platform;
  platform.libraries["librfc32.dll"] = classic_library();
  platform.libraries["sapnwrfc.dll"] = netweaver_library();
  RfcLibrary library;
  ASSERT_TRUE(load_rfc_library(platform, library).is_ok());
  EXPECT_TRUE(library.is_open());
  EXPECT_EQ(library.bridge, nullptr);
  EXPECT_EQ(*library.entry_points.RfcOpen.target<decltype(&::RfcOpen)>(), &::RfcOpen);
  EXPECT_EQ(*library.entry_points.ItDelete.target<decltype(&::ItDelete)>(), &::ItDelete);
  EXPECT_EQ(platform.loads, std::vector<std::string>{"librfc32.dll"});
}

TEST(RfcEntryPointsTest, WithoutAUsableClassicLibraryTheSdkServesThroughTheBridge) {
  for (const FakeLibrary& classic : {failing(kLoadModuleNotFound), failing(kLoadBadFormat),
                                     lacking(classic_library(), "RfcCall")}) {
    FakePlatform platform;
    platform.libraries["librfc32.dll"] = classic;
    platform.libraries["sapnwrfc.dll"] = netweaver_library();
    RfcLibrary library;
    ASSERT_TRUE(load_rfc_library(platform, library).is_ok());
    EXPECT_NE(library.bridge, nullptr);
    EXPECT_TRUE(library.is_open());
    EXPECT_EQ(platform.loads, (std::vector<std::string>{"librfc32.dll", "sapnwrfc.dll"}));
  }
}

// An SDK before release 7.50 has no INT8 functions, and needs none.
TEST(RfcEntryPointsTest, AnSdkWithoutTheInt8FunctionsServesAllTheSame) {
  FakePlatform platform;
  platform.libraries["sapnwrfc.dll"] = lacking(lacking(netweaver_library(), "RfcGetInt8"), "RfcSetInt8");
  RfcLibrary library;
  ASSERT_TRUE(load_rfc_library(platform, library).is_ok());
  EXPECT_NE(library.bridge, nullptr);
}

TEST(RfcEntryPointsTest, EachLoadFailureHasItsNumberedText) {
  const std::string bits = std::to_string(sizeof(void*) * 8);
  const struct {
    const char* name;
    std::optional<FakeLibrary> classic, netweaver;
    std::string text;
  } cases[] = {
      {"neither library", std::nullopt, std::nullopt,
       "Error 1051: librfc32.dll or sapnwrfc.dll not found (Windows error 126), copy it beside quillar.exe or "
       "into the system folder..."},
      {"classic of the other bitness", failing(kLoadBadFormat), std::nullopt,
       "Error 1052: librfc32.dll has the wrong bitness (Windows error 193), this " + bits +
           "-bit quillar.exe needs a " + bits + "-bit librfc32.dll..."},
      {"SDK of the other bitness", std::nullopt, failing(kLoadBadFormat),
       "Error 1052: sapnwrfc.dll has the wrong bitness (Windows error 193), this " + bits +
           "-bit quillar.exe needs a " + bits + "-bit sapnwrfc.dll..."},
      {"classic entry point missing", lacking(classic_library(), "RfcInstallStructure"), std::nullopt,
       "Error 1053: librfc32.dll lacks the entry point RfcInstallStructure (Windows error 127), install the "
       "vendor's RFC library..."},
      {"SDK entry point missing", std::nullopt, lacking(netweaver_library(), "RfcGetFieldDescByName"),
       "Error 1053: sapnwrfc.dll lacks the entry point RfcGetFieldDescByName (Windows error 127), install the "
       "vendor's RFC library..."},
      {"the classic library's fault comes first", failing(5), failing(kLoadBadFormat),
       "Error 1054: librfc32.dll cannot be loaded (Windows error 5), check the file and its access rights..."},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    if (c.classic) platform.libraries["librfc32.dll"] = *c.classic;
    if (c.netweaver) platform.libraries["sapnwrfc.dll"] = *c.netweaver;
    RfcLibrary library;
    Status status = load_rfc_library(platform, library);
    EXPECT_EQ(status.text(), c.text) << c.name;
    EXPECT_LE(status.text().size(), 127u) << c.name << ": the room of an error text";
    EXPECT_FALSE(library.is_open()) << c.name;
  }
}

}  // namespace
}  // namespace quillar
