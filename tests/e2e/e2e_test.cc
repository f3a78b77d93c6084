// The built sensor end to end: exact standard output and exit code, natively
// and as quillar.exe under wine.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "e2e/sensor_process.h"

namespace quillar::e2e {
namespace {

SensorHost* host = nullptr;

class HostEnvironment : public testing::Environment {
 public:
  void SetUp() override { host = new SensorHost(); }
  void TearDown() override {
    delete host;
    host = nullptr;
  }
};

std::string error_document(const std::string& text) {
  return "<Prtg>\n<Error>1</Error>\n<Text>" + text + "</Text>\n</Prtg>\n";
}

struct Case {
  const char* name;
  std::vector<std::string> arguments;
  std::map<std::string, std::string> files;
  std::string expected_output;
  int expected_exit = 2;
  std::string working_dir = "C:\\e2e\\run";
};

class SensorEndToEnd : public testing::Test {
 protected:
  void TearDown() override { host->clear_files(); }

  void expect_run(const Case& c) {
    for (const auto& [path, content] : c.files) host->write_file(path, content);
    ProcessResult result = host->run(c.arguments, c.working_dir);
    EXPECT_EQ(result.standard_output, host->console_form(c.expected_output)) << c.name;
    EXPECT_EQ(result.exit_code, c.expected_exit) << c.name;
    EXPECT_EQ(result.standard_error, "") << c.name;
    host->clear_files();
  }
};

const std::string kNotYetSearched =
    error_document("Error 1097: Sensor-Directory resolution is not available in this build...");
const std::string kNotYetGlobal =
    error_document("Error 1098: Global run is not available in this build...");
const std::string kNotYetRun = error_document("Error 1099: System run is not available in this build...");

TEST_F(SensorEndToEnd, StartUpFaultsEndInOneErrorDocument) {
  const Case cases[] = {
      {"no arguments", {}, {}, error_document("Error 1001: Parameter for Profile-Name is missing !")},
      {"profile missing in the working directory", {"PRD", "MODE=Mervesk"}, {},
       error_document("Error 1002: Profile PRD.P00 is missing...")},
      {"profile missing in a named folder", {"C:\\e2e\\profiles\\PRD", "MODE=Tolvane"}, {},
       error_document("Error 1002: Profile C:\\e2e\\profiles\\PRD.P00 is missing...")},
      {"root-relative folder", {"\\e2e\\profiles\\PRD", "mode=dravik"}, {},
       error_document("Error 1002: Profile \\e2e\\profiles\\PRD.P00 is missing...")},
      {"a folder is no profile", {"PRD", "MODE=Quendal"}, {{"C:\\e2e\\run\\PRD.P00\\x", ""}},
       error_document("Error 1002: Profile PRD.P00 is missing...")},
      {"ITEM= asks for the item profile", {"PRD", "MODE=Mervesk ITEM=In-Errors"}, {},
       error_document("Error 1002: Profile Orvanta.Prf is missing...")},
      {"@ opens the profile where the command line puts it", {"C:\\e2e\\p\\PRD", "@"}, {},
       error_document("Error 1002: Profile C:\\e2e\\p\\PRD.P00 is missing...")},
      {"unknown mode", {"PRD", "LAN=1,MODE=xml"}, {},
       error_document("Error 1041: Mode xml is unknown, use EXEXML, Quendal, Dravik, Mervesk or Tolvane...")},
      {"profile name too long", {std::string(64, 'P'), "MODE=Mervesk"}, {},
       error_document("Error 1042: Profile-Name longer than 63 characters...")},
      {"options too long", {"PRD", std::string(100, 'o'), std::string(30, 'o')}, {},
       error_document("Error 1044: Parameters longer than 127 characters...")},
      {"texts are printed as they stand", {"%s%n<&>", "MODE=Mervesk"}, {},
       error_document("Error 1002: Profile %s%n<&>.P00 is missing...")},
  };
  for (const Case& c : cases) expect_run(c);
}

TEST_F(SensorEndToEnd, FindsProfilesOnTheDrivesAsWindowsDoes) {
  const Case cases[] = {
      {"working directory", {"PRD", "MODE=Mervesk"}, {{"C:\\e2e\\run\\PRD.P00", ""}}, kNotYetRun},
      {"letter case of the name does not matter", {"PRD", "MODE=Quendal"},
       {{"C:\\e2e\\run\\prd.p00", ""}}, kNotYetRun},
      {"drive path", {"c:\\E2E\\Profiles\\PRD", "MODE=Tolvane"},
       {{"C:\\e2e\\profiles\\PRD.P00", ""}}, kNotYetRun},
      {"root-relative path on the drive of the working directory", {"\\e2e\\profiles\\PRD", "MODE=Dravik"},
       {{"C:\\e2e\\profiles\\PRD.P00", ""}}, kNotYetRun},
      {"relative folder", {"sub\\PRD.P01", "MODE=Mervesk"}, {{"C:\\e2e\\run\\sub\\PRD.P01", ""}}, kNotYetRun},
      {"@ in the PRTG mode", {"C:\\e2e\\p\\PRD", "@"}, {{"C:\\e2e\\p\\PRD.P00", ""}}, kNotYetRun},
      {"global profile", {"C:\\e2e\\p\\global", "MODE=Mervesk"}, {{"C:\\e2e\\p\\SAP Orvanta.Gbl", ""}},
       kNotYetGlobal},
      {"item profile", {"PRD", "MODE=Mervesk", "ITEM=In-Errors"}, {{"C:\\e2e\\run\\Orvanta.Prf", ""}},
       kNotYetGlobal},
      {"PRTG mode searches the sensor directory", {"PRD"}, {{"C:\\e2e\\run\\PRD.P00", ""}}, kNotYetSearched},
  };
  for (const Case& c : cases) expect_run(c);
}

TEST_F(SensorEndToEnd, SyslogAppendsToTheLogInTheWorkingDirectory) {
  host->write_file("C:\\e2e\\run\\quillar.log", "earlier line\n");
  ProcessResult result = host->run({"PRD", "MODE=Mervesk,SysLog"}, "C:\\e2e\\run");
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_TRUE(std::filesystem::exists(host->local_path("C:\\e2e\\run\\quillar.log")));
  EXPECT_FALSE(std::filesystem::exists(host->local_path("C:\\e2e\\run\\Quillar.log")));
}

}  // namespace
}  // namespace quillar::e2e

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::AddGlobalTestEnvironment(new quillar::e2e::HostEnvironment());
  return RUN_ALL_TESTS();
}
