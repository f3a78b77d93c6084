// quillar.exe loads librfc32.dll at run time, from its own folder or the
// system's search, never from the working directory; every way the load can
// fail ends in its own error document. Under wine only: the native build
// links its library.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>

#include "e2e/e2e_support.h"

namespace quillar::e2e {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string file_content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(LibraryLoadEndToEnd, EachLoadFailureEndsInItsErrorDocument) {
  if (!host().under_wine()) GTEST_SKIP() << "the native build links its RFC library";
  if (behind_netweaver_bridge()) GTEST_SKIP() << "the cases of a missing or broken library run once";
  const std::string bits = environment("QUILLAR_E2E_PROGRAM_BITS");
  const std::string other_bitness = environment("QUILLAR_E2E_OTHER_RFC_LIBRARY");
  const std::string incomplete = environment("QUILLAR_E2E_INCOMPLETE_RFC_LIBRARY");
  ASSERT_FALSE(bits.empty() || other_bitness.empty() || incomplete.empty()) << "the suite's environment is incomplete";
  const std::filesystem::path tree = std::filesystem::path(host().sensor_path()).parent_path();
  const std::string own = tree / "librfc32.dll";
  const std::string own_sdk = tree / "sapnwrfc.dll";
  const std::string kNeither =
      "Error 1051: librfc32.dll or sapnwrfc.dll not found (Windows error 126), copy it beside quillar.exe or into "
      "the system folder...";

  const std::string sensor = file_content(host().sensor_path());
  // The library of the program's own bitness, damaged three ways.
  const std::string own_library = file_content(own);
  std::string other_machine = own_library;
  const std::size_t pe_header = static_cast<unsigned char>(own_library[0x3C]) |
                                static_cast<unsigned char>(own_library[0x3D]) << 8;
  other_machine[pe_header + 4] = '\x64';
  other_machine[pe_header + 5] = '\xAA';
  const std::string kDamaged =
      "Error 1055: librfc32.dll is no valid " + bits +
      "-bit DLL (Windows error 193), copy it again from the vendor's package...";
  const std::string profile_text = profile("BIN", "100", "sapbin", "00");
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    std::map<std::string, std::string> files;
    std::string text;
  } cases[] = {
      {"no library", {"PRD", "MODE=Mervesk"}, {}, kNeither},
      {"a library of the other bitness", {"PRD", "MODE=Mervesk"},
       {{"C:\\e2e\\load\\librfc32.dll", file_content(other_bitness)}},
       "Error 1052: librfc32.dll has the wrong bitness (Windows error 193), this " + bits +
           "-bit quillar.exe needs a " + bits + "-bit librfc32.dll..."},
      {"a library cut short", {"PRD", "MODE=Mervesk"},
       {{"C:\\e2e\\load\\librfc32.dll", own_library.substr(0, 1024)}}, kDamaged},
      {"a text file in the library's place", {"PRD", "MODE=Mervesk"},
       {{"C:\\e2e\\load\\librfc32.dll", "this is no library\r\n"}}, kDamaged},
      {"a library for another machine", {"PRD", "MODE=Mervesk"},
       {{"C:\\e2e\\load\\librfc32.dll", other_machine}}, kDamaged},
      {"a library without ItDelete", {"PRD", "MODE=Mervesk"},
       {{"C:\\e2e\\load\\librfc32.dll", file_content(incomplete)}},
       "Error 1053: librfc32.dll lacks the entry point ItDelete (Windows error 127), install the vendor's RFC "
       "library..."},
      {"a library in the working directory only", {"PRD", "MODE=Mervesk"},
       {{"C:\\e2e\\run\\librfc32.dll", file_content(own)}, {"C:\\e2e\\run\\sapnwrfc.dll", file_content(own_sdk)}},
       kNeither},
      {"errors before the logon need no library", {"NONE", "MODE=Mervesk"}, {},
       "Error 1002: Profile NONE.P00 is missing..."},
      {"the global run before its document head", {"GLOBAL", "S1 MODE=Mervesk"},
       {{"C:\\e2e\\run\\SAP Orvanta.Gbl",
         "# GSNG: S1          PRD.P00#\r\n# GSNX: S1         Sensor=\"SAP Quillar\" Item=In-Errors\r\n"}},
       kNeither},
  };
  for (const auto& c : cases) {
    host().write_file("C:\\e2e\\load\\quillar.exe", sensor);
    host().write_file("C:\\e2e\\run\\PRD.P00", profile_text);
    for (const auto& [path, content] : c.files) host().write_file(path, content);
    ProcessResult result =
        host().run_program(host().local_path("C:\\e2e\\load\\quillar.exe").string(), c.arguments, "C:\\e2e\\run");
    EXPECT_EQ(result.standard_output, host().console_form(error_document(c.text))) << c.name;
    EXPECT_EQ(result.exit_code, 2) << c.name;
    host().clear_files();
  }
}

// The sensor's error names the library file alone; quillar-profile test and
// locate also name the folder in which Windows found the copy that does not
// load, wherever it lies.
TEST(LibraryLoadEndToEnd, TheToolNamesWhereTheRefusedLibraryWasFound) {
  if (!host().under_wine()) GTEST_SKIP() << "the native build links its RFC library";
  if (behind_netweaver_bridge()) GTEST_SKIP() << "the cases of a refused library run once";
  const std::string bits = environment("QUILLAR_E2E_PROGRAM_BITS");
  const std::string other_bitness = environment("QUILLAR_E2E_OTHER_RFC_LIBRARY");
  ASSERT_FALSE(bits.empty() || other_bitness.empty()) << "the suite's environment is incomplete";
  const std::string sensor = file_content(host().sensor_path());
  const std::string tool = file_content(host().profile_tool_path());
  const std::string wrong_bitness = "Error 1052: librfc32.dll has the wrong bitness (Windows error 193), this " +
                                    bits + "-bit quillar.exe needs a " + bits + "-bit librfc32.dll...";
  // A 32-bit program finds the prefix's SysWOW64 under the name System32.
  const std::string system_folder = bits == "64" ? "C:\\windows\\system32\\" : "C:\\windows\\syswow64\\";
  const struct {
    const char* name;
    std::string placed_in;
    std::string shown;
  } cases[] = {
      {"beside the program", "C:\\e2e\\load\\", "C:\\e2e\\load\\ (beside the program)"},
      {"in the system folder", system_folder, "C:\\windows\\system32\\ (the system folder)"},
  };
  for (const auto& c : cases) {
    host().write_file("C:\\e2e\\load\\quillar.exe", sensor);
    host().write_file("C:\\e2e\\load\\quillar-profile.exe", tool);
    host().write_file("C:\\e2e\\run\\PRD.P00", profile("BIN", "100", "sapbin", "00"));
    host().write_file(c.placed_in + "librfc32.dll", file_content(other_bitness));
    const std::string library_line = "RFC library: librfc32.dll, found in " + c.shown + ", does not load";
    auto run = [&](const char* program, std::vector<std::string> arguments) {
      return host().run_program(host().local_path(std::string("C:\\e2e\\load\\") + program).string(), arguments,
                                "C:\\e2e\\run");
    };

    const ProcessResult sensed = run("quillar.exe", {"PRD", "MODE=Mervesk"});
    EXPECT_EQ(sensed.standard_output, host().console_form(error_document(wrong_bitness))) << c.name;

    const ProcessResult tested = run("quillar-profile.exe", {"test", "PRD", "MODE=Mervesk"});
    EXPECT_EQ(tested.standard_output, host().console_form("Profile: C:\\e2e\\run\\PRD.P00\n" + library_line + "\n"))
        << c.name;
    EXPECT_EQ(tested.standard_error,
              host().console_form("quillar-profile: the sensor stops with \"" + wrong_bitness + "\"\n"))
        << c.name;
    EXPECT_EQ(tested.exit_code, 2) << c.name;

    const ProcessResult located = run("quillar-profile.exe", {"locate", "PRD", "MODE=Mervesk"});
    const std::string last_line = library_line + ": the sensor stops with \"" + wrong_bitness + "\".\n";
    const std::string& shown = located.standard_output;
    EXPECT_EQ(shown.substr(shown.size() - std::min(shown.size(), host().console_form(last_line).size())),
              host().console_form(last_line))
        << c.name << ":\n" << shown;
    EXPECT_EQ(located.exit_code, 0) << c.name;
    host().clear_files();
    EXPECT_FALSE(std::filesystem::exists(host().local_path(c.placed_in + "librfc32.dll"))) << c.name;
  }
}

// The NetWeaver SDK shows a message box at its first logon when an ICU
// library is missing, and waits there until PRTG kills the run; the run ends
// at once with Error 1056 instead, and measures as always with the ICU
// libraries beside sapnwrfc.dll. The NetWeaver stand-in waits as the SDK
// does. Under wine only: the native build links its SDK.
TEST(LibraryLoadEndToEnd, TheSdkWithoutItsIcuLibrariesEndsTheRunAtOnce) {
  if (!host().under_wine()) GTEST_SKIP() << "the native build links its SDK, which needs no ICU libraries";
  if (!behind_netweaver_bridge()) GTEST_SKIP() << "the suite of the NetWeaver tree runs it";
  const std::filesystem::path tree = std::filesystem::path(host().sensor_path()).parent_path();
  const std::string kLandscape =
      "[BIN]\nashost = sapbin\nsysnr = 00\nclient = 100\nuser = RFCUSER\npassword = Secret#1\n"
      "lan = eth0 6789 5556 0 0 0 12345\nlan = lo 10 10 0 0 0 20\nlan = ETH1 1 2 3 4 5 6\n";
  const struct {
    const char* name;
    std::vector<const char*> icu_libraries;
    std::string output;
    int exit_code;
  } cases[] = {
      {"all three", {"icuuc50.dll", "icuin50.dll", "icudt50.dll"}, expected_output("single_mervesk"), 0},
      {"no ICU library", {},
       error_document("Error 1056: icuuc*.dll missing beside sapnwrfc.dll in C:\\e2e\\load\\ and where Windows "
                      "looks for DLLs, copy icuuc*.dll, icuin*.dll and icudt*.dll from the lib folder of the "
                      "NetWeaver RFC SDK there..."),
       2},
      {"icudt missing", {"icuuc50.dll", "icuin50.dll"},
       error_document("Error 1056: icudt*.dll missing beside sapnwrfc.dll in C:\\e2e\\load\\ and where Windows "
                      "looks for DLLs, copy icuuc*.dll, icuin*.dll and icudt*.dll from the lib folder of the "
                      "NetWeaver RFC SDK there..."),
       2},
  };
  // A whole measurement, with wine's start of the process, is what the
  // error may take, and a second more; a logon held by the SDK's message
  // box would last until the kill.
  double measurement_seconds = 0;
  for (const auto& c : cases) {
    for (const char* program : {"quillar.exe", "sapnwrfc.dll"}) {
      host().write_file(std::string("C:\\e2e\\load\\") + program, file_content(tree / program));
    }
    for (const char* library : c.icu_libraries) {
      host().write_file(std::string("C:\\e2e\\load\\") + library, file_content(tree / library));
    }
    host().write_file("C:\\e2e\\run\\PRD.P00", profile("BIN", "100", "sapbin", "00"));
    host().write_file("C:\\e2e\\run\\RfcSim.ini", kLandscape);
    const auto started = std::chrono::steady_clock::now();
    ProcessResult result = host().run_program(host().local_path("C:\\e2e\\load\\quillar.exe").string(),
                                              {"PRD", "MODE=Mervesk"}, "C:\\e2e\\run", "", 30000);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(result.standard_output, host().console_form(c.output)) << c.name;
    EXPECT_EQ(result.exit_code, c.exit_code) << c.name;
    if (c.exit_code == 0) {
      measurement_seconds = seconds;
    } else {
      EXPECT_LT(seconds, measurement_seconds + 1.0) << c.name;
    }
    host().clear_files();
  }
}

}  // namespace
}  // namespace quillar::e2e
