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

FakeLibrary failing(unsigned long error, std::string file_head = "") {
  FakeLibrary library;
  library.load_error = error;
  library.file_head = std::move(file_head);
  return library;
}

// The first bytes of a DLL built for `machine`, with its PE header where
// the DOS header points.
std::string pe_head(std::uint16_t machine, std::size_t header_at = 0x80) {
  std::string head(512, '\0');
  head.replace(0, 2, "MZ");
  for (std::size_t k = 0; k < 4; ++k) head[0x3C + k] = static_cast<char>(header_at >> (8 * k));
  if (header_at + 6 <= head.size()) {
    head.replace(header_at, 4, std::string("PE\0\0", 4));
    head[header_at + 4] = static_cast<char>(machine & 0xFF);
    head[header_at + 5] = static_cast<char>(machine >> 8);
  }
  return head;
}

constexpr std::uint16_t kOtherBitness = sizeof(void*) == 8 ? 0x014C : 0x8664;
constexpr std::uint16_t kOwnBitness = sizeof(void*) == 8 ? 0x8664 : 0x014C;

TEST(RfcEntryPointsTest, ReadsTheMachineOfAPeHeader) {
  const struct {
    const char* name;
    std::string head;
    std::optional<std::uint16_t> machine;
  } cases[] = {
      {"32-bit", pe_head(0x014C), 0x014C},
      {"64-bit", pe_head(0x8664), 0x8664},
      {"ARM64", pe_head(0xAA64), 0xAA64},
      {"header at the end of the bytes", pe_head(0x8664, 506), 0x8664},
      {"header beyond the bytes", pe_head(0x8664, 507), std::nullopt},
      {"header far beyond", pe_head(0x8664, 0xFFFFFFF0), std::nullopt},
      {"cut inside the DOS header", pe_head(0x8664).substr(0, 0x3D), std::nullopt},
      {"no MZ", "ZM" + pe_head(0x8664).substr(2), std::nullopt},
      {"no PE signature", pe_head(0x8664).replace(0x80, 2, "NE"), std::nullopt},
      {"text", "this is no DLL\r\n", std::nullopt},
      {"nothing", "", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(pe_machine(c.head), c.machine) << c.name;
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

// A loaded library is known for a stand-in by the marker that only the
// stand-ins export, the classic one and the SDK's alike; a linked one is
// always a stand-in.
TEST(RfcEntryPointsTest, KnowsAStandInByItsMarker) {
  int marker = 0;
  const struct {
    const char* name;
    FakeLibrary classic;
    FakeLibrary netweaver;
    bool stand_in;
  } cases[] = {
      {"SAP's classic library", classic_library(), netweaver_library(), false},
      {"the classic stand-in", classic_library(), netweaver_library(), true},
      {"SAP's SDK", failing(kLoadModuleNotFound), netweaver_library(), false},
      {"the SDK's stand-in", failing(kLoadModuleNotFound), netweaver_library(), true},
  };
  for (auto c : cases) {
    FakeLibrary& used = c.classic.load_error == 0 ? c.classic : c.netweaver;
    if (c.stand_in) used.entry_points[kStandInMarker] = &marker;
    FakePlatform platform;
    platform.libraries["librfc32.dll"] = c.classic;
    platform.libraries["sapnwrfc.dll"] = c.netweaver;
    RfcLibrary library;
    ASSERT_TRUE(load_rfc_library(platform, library).is_ok()) << c.name;
    EXPECT_EQ(library.stand_in, c.stand_in) << c.name;
  }
  RfcLibrary linked;
  FakePlatform platform;
  ASSERT_TRUE(open_rfc_library(platform, linked).is_ok());
  EXPECT_TRUE(linked.stand_in);
}

// A table with any gap is no open library: opening it again fills it.
TEST(RfcEntryPointsTest, ATableWithAGapIsNotOpen) {
  FakePlatform platform;
  platform.libraries["librfc32.dll"] = classic_library();
  RfcLibrary loaded;
  ASSERT_TRUE(load_rfc_library(platform, loaded).is_ok());
  const std::vector<std::function<void(RfcEntryPoints&)>> gaps = {
      [](RfcEntryPoints& entry) { entry.RfcEnvironment = nullptr; },
      [](RfcEntryPoints& entry) { entry.RfcReceive = nullptr; },
      [](RfcEntryPoints& entry) { entry.ItDelete = nullptr; },
  };
  for (std::size_t k = 0; k < gaps.size(); ++k) {
    RfcLibrary library;
    library.entry_points = loaded.entry_points;
    gaps[k](library.entry_points);
    EXPECT_FALSE(library.is_open()) << "gap " << k;
  }
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

// The SDK would show a message box at its first logon for a missing ICU
// library, and wait there; the load ends the run before that instead.
TEST(RfcEntryPointsTest, AnSdkWithoutItsIcuLibrariesEndsTheRunBeforeTheLogon) {
  const std::string kMissing = " missing beside sapnwrfc.dll in C:\\SDK\\ and where Windows looks for DLLs, copy "
                               "icuuc*.dll, icuin*.dll and icudt*.dll from the lib folder of the NetWeaver RFC SDK "
                               "there...";
  const struct {
    const char* name;
    std::vector<DllFolder> folders;  // of the loader's search, sapnwrfc.dll's first
    std::string text;                // the error; empty when the SDK serves
  } cases[] = {
      {"ICU 50 beside sapnwrfc.dll",
       {{"C:\\SDK\\", {"sapnwrfc.dll", "libsapucum.dll", "icuuc50.dll", "icuin50.dll", "icudt50.dll"}}}, ""},
      {"ICU 57 of later patch levels, named in capitals",
       {{"C:\\SDK\\", {"ICUUC57.DLL", "IcuIn57.Dll", "icudt57.dll"}}}, ""},
      {"icuin missing", {{"C:\\SDK\\", {"icuuc50.dll", "icudt50.dll"}}}, "Error 1056: icuin*.dll" + kMissing},
      {"all missing: the first is named", {{"C:\\SDK\\", {"sapnwrfc.dll"}}}, "Error 1056: icuuc*.dll" + kMissing},
      {"one in a folder of PATH", {{"C:\\SDK\\", {"icuuc50.dll", "icudt50.dll"}}, {"D:\\Tools\\", {"icuin50.dll"}}},
       ""},
      {"Windows' own unversioned ICU is none the SDK loads",
       {{"C:\\SDK\\", {"icuuc50.dll", "icuin50.dll"}}, {"C:\\Windows\\system32\\", {"icudt.dll", "icudtl.dll"}}},
       "Error 1056: icudt*.dll" + kMissing},
      {"no folder to look in: an SDK linked into the program", {}, ""},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.libraries["sapnwrfc.dll"] = netweaver_library();
    if (!c.folders.empty()) platform.dll_folders["sapnwrfc.dll"] = c.folders;
    RfcLibrary library;
    Status status = load_rfc_library(platform, library);
    EXPECT_EQ(status.text(), c.text) << c.name;
    EXPECT_EQ(library.is_open(), c.text.empty()) << c.name;
    if (!c.text.empty()) {
      EXPECT_EQ(status.fault(), Fault::kIcuLibraryMissing) << c.name;
    }
    // The SDK's file loaded: the missing ICU library is what stops it.
    EXPECT_EQ(library.refused_file, "") << c.name;
  }
}

TEST(RfcEntryPointsTest, EachLoadFailureHasItsNumberedText) {
  const std::string bits = std::to_string(sizeof(void*) * 8);
  const struct {
    const char* name;
    std::optional<FakeLibrary> classic, netweaver;
    std::string text;
    // The file that was there but would not serve; none when neither was.
    std::string refused;
  } cases[] = {
      {"neither library", std::nullopt, std::nullopt,
       "Error 1051: librfc32.dll or sapnwrfc.dll not found (Windows error 126), copy it beside quillar.exe or "
       "into the system folder...",
       ""},
      {"classic of the other bitness", failing(kLoadBadFormat, pe_head(kOtherBitness)), std::nullopt,
       "Error 1052: librfc32.dll has the wrong bitness (Windows error 193), this " + bits +
           "-bit quillar.exe needs a " + bits + "-bit librfc32.dll...",
       "librfc32.dll"},
      {"SDK of the other bitness", std::nullopt, failing(kLoadBadFormat, pe_head(kOtherBitness)),
       "Error 1052: sapnwrfc.dll has the wrong bitness (Windows error 193), this " + bits +
           "-bit quillar.exe needs a " + bits + "-bit sapnwrfc.dll...",
       "sapnwrfc.dll"},
      // Windows gives the same code for a file that is no DLL of any bitness.
      {"classic of its own bitness, yet refused", failing(kLoadBadFormat, pe_head(kOwnBitness)), std::nullopt,
       "Error 1055: librfc32.dll is no valid " + bits +
           "-bit DLL (Windows error 193), copy it again from the vendor's package...",
       "librfc32.dll"},
      {"classic for another machine", failing(kLoadBadFormat, pe_head(0xAA64)), std::nullopt,
       "Error 1055: librfc32.dll is no valid " + bits +
           "-bit DLL (Windows error 193), copy it again from the vendor's package...",
       "librfc32.dll"},
      {"classic cut short", failing(kLoadBadFormat, pe_head(kOtherBitness).substr(0, 0x40)), std::nullopt,
       "Error 1055: librfc32.dll is no valid " + bits +
           "-bit DLL (Windows error 193), copy it again from the vendor's package...",
       "librfc32.dll"},
      {"SDK that the system cannot read as a library", std::nullopt, failing(kLoadBadFormat),
       "Error 1055: sapnwrfc.dll is no valid " + bits +
           "-bit DLL (Windows error 193), copy it again from the vendor's package...",
       "sapnwrfc.dll"},
      {"classic entry point missing", lacking(classic_library(), "RfcInstallStructure"), std::nullopt,
       "Error 1053: librfc32.dll lacks the entry point RfcInstallStructure (Windows error 127), install the "
       "vendor's RFC library...",
       "librfc32.dll"},
      {"SDK entry point missing", std::nullopt, lacking(netweaver_library(), "RfcGetFieldDescByName"),
       "Error 1053: sapnwrfc.dll lacks the entry point RfcGetFieldDescByName (Windows error 127), install the "
       "vendor's RFC library...",
       "sapnwrfc.dll"},
      {"the classic library's fault comes first", failing(5), failing(kLoadBadFormat),
       "Error 1054: librfc32.dll cannot be loaded (Windows error 5), check the file and its access rights...",
       "librfc32.dll"},
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
    EXPECT_EQ(library.refused_file, c.refused) << c.name;
  }
}

}  // namespace
}  // namespace quillar
