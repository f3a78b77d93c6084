#include "driver/startup.h"

#include <gtest/gtest.h>

#include "base/texts.h"
#include "fake_platform.h"
#include "mode_texts.h"

namespace quillar {
namespace {

struct Expected {
  std::string profile_name;
  std::string sensor_dir;
  bool global_run = false;
  std::string item;
  bool trace = false;
  std::string mode_keyword = "EXEXML";
};

TEST(ReadCommandLineTest, SettlesProfileNameFolderAndGlobalRun) {
  const struct {
    std::vector<std::string> arguments;
    Expected expected;
  } cases[] = {
      {{"PRD"}, {"PRD.P00", ""}},
      {{"PRD.P00"}, {"PRD.P00", ""}},
      {{"PRD.ABC"}, {"PRD.ABC", ""}},
      {{"PRD.AB"}, {"PRD.AB.P00", ""}},
      {{"AB"}, {"AB.P00", ""}},
      {{".ab"}, {".ab.P00", ""}},
      {{""}, {".P00", ""}},
      {{"D:\\Profiles\\PRD.P00"}, {"PRD.P00", "D:\\Profiles\\"}},
      // The extension test sees the whole argument, folder included.
      {{"D:\\abc.d\\X"}, {"X", "D:\\abc.d\\"}},
      {{"\\PRD"}, {"\\PRD.P00", ""}},
      {{"\\sub\\PRD"}, {"PRD.P00", "\\sub\\"}},
      // "/" separates folders as "\\" does.
      {{"../../outside/EVIL"}, {"EVIL.P00", "../../outside/"}},
      {{"D:/Profiles/PRD"}, {"PRD.P00", "D:/Profiles/"}},
      {{"D:\\a/b\\PRD"}, {"PRD.P00", "D:\\a/b\\"}},
      {{"D:\\a\\b/PRD"}, {"PRD.P00", "D:\\a\\b/"}},
      {{"/PRD"}, {"/PRD.P00", ""}},
      {{"D:/X/global"}, {"SAP Orvanta.Gbl", "D:/X/", true}},
      {{"global"}, {"SAP Orvanta.Gbl", "", true}},
      {{"Global.p00"}, {"SAP Orvanta.Gbl", "", true}},
      {{"D:\\X\\GLOBAL"}, {"SAP Orvanta.Gbl", "D:\\X\\", true}},
      {{"GLOBAL.P01"}, {"GLOBAL.P01", ""}},
      {{"PRD", "lan=1 item=Eth:0"}, {"Orvanta.Prf", "", true, "Eth 0"}},
      // ITEM= wins over GLOBAL and drops the folder of the first argument.
      {{"D:\\X\\GLOBAL", "ITEM=In-Errors"}, {"Orvanta.Prf", "", true, "In-Errors"}},
      {{"PRD", "A1", "ITEM=X"}, {"Orvanta.Prf", "", true, "X"}},
      {{"PRD", "ITEM=Out-Errors,CH=1"}, {"Orvanta.Prf", "", true, "Out-Errors"}},
      {{"PRD", "ITEM= In-Errors"}, {"Orvanta.Prf", "", true, ""}},
      {{"PRD", "ITEM=,x"}, {"Orvanta.Prf", "", true, ""}},
      {{"PRD", "ITEM=" + std::string(100, 'i')}, {"Orvanta.Prf", "", true, std::string(90, 'i')}},
      {{"PRD", "LAN=eth0#"}, {"PRD.P00", "", false, "", true}},
      {{"PRD", "x@y"}, {"PRD.P00", "", false, "", true}},
      {{"PRD", "$"}, {"PRD.P00", "", false, "", true}},
      {{"PRD", "LAN=50%"}, {"PRD.P00", "", false, "", true}},
      {{"PRD", "a", "b", "#"}, {"PRD.P00", "", false, "", false}},
      {{"PRD", "mode=mervesk"}, {"PRD.P00", "", false, "", false, "Mervesk"}},
      {{"PRD", "LAN=1,MODE=Tolvane,CH=2"}, {"PRD.P00", "", false, "", false, "Tolvane"}},
      {{"PRD", "MODE=Quendal"}, {"PRD.P00", "", false, "", false, "Quendal"}},
      {{"PRD", "x", "Mode=DRAVIK"}, {"PRD.P00", "", false, "", false, "Dravik"}},
  };
  for (const auto& c : cases) {
    RunSettings settings;
    Status status = read_command_line(c.arguments, settings);
    std::string shown = testing::PrintToString(c.arguments);
    ASSERT_TRUE(status.is_ok()) << shown << ": " << status.text();
    EXPECT_EQ(settings.profile_name, c.expected.profile_name) << shown;
    EXPECT_EQ(settings.sensor_dir, c.expected.sensor_dir) << shown;
    EXPECT_EQ(settings.global_run, c.expected.global_run) << shown;
    EXPECT_EQ(settings.options.item.value_or(""), c.expected.item) << shown;
    EXPECT_EQ(settings.options.trace, c.expected.trace) << shown;
    EXPECT_EQ(mode_row(settings.mode).keyword, c.expected.mode_keyword) << shown;
  }
}

TEST(ReadCommandLineTest, JoinsTheOptionArgumentsWithOneBlank) {
  RunSettings settings;
  ASSERT_TRUE(read_command_line({"PRD", "lan=Eth0,syslog", "ch=2 ä", "ignored"}, settings).is_ok());
  EXPECT_EQ(settings.options.typed, "lan=Eth0,syslog ch=2 ä");
  EXPECT_EQ(settings.options.interface_name, "Eth0");
  EXPECT_TRUE(settings.options.syslog);
  EXPECT_EQ(settings.sensor_argument, "lan=Eth0,syslog");
}

// The list of modes is one value of Error 1041's text, which a value's room
// would cut short.
TEST(ReadCommandLineTest, AnUnknownModeIsAnsweredWithEveryMode) {
  RunSettings settings;
  const Status status = read_command_line({"PRD", "MODE=?"}, settings);
  EXPECT_EQ(status.fault(), Fault::kModeUnknown);
  const std::string every_mode = listed_modes();
  EXPECT_EQ(status.text().substr(status.text().size() - every_mode.size() - 3), every_mode + "...");
  for (const ModeRow& row : kModes) EXPECT_TRUE(contains(every_mode, row.keyword)) << row.keyword;
}

TEST(ReadCommandLineTest, RefusesWhatItCannotUse) {
  const struct {
    std::vector<std::string> arguments;
    std::string error;
  } cases[] = {
      {{}, "Error 1001: Parameter for Profile-Name is missing !"},
      {{"PRD", "MODE=Xml"}, unknown_mode_error("Xml")},
      {{"PRD", "LAN=1,mode=,CH=1"}, unknown_mode_error("")},
      {{std::string(60, 'P')}, "Error 1042: Profile-Name longer than 63 characters..."},
      {{"C:\\" + std::string(59, 'P') + ".P00"}, ""},
      {{"C:\\" + std::string(92, 'd') + "\\PRD"}, "Error 1043: Profile-Directory longer than 95 characters..."},
      {{std::string(94, 'd') + "\\PRD"}, ""},
      {{"PRD", std::string(128, 'o')}, "Error 1044: Parameters longer than 127 characters..."},
      {{"PRD", std::string(63, 'o'), std::string(64, 'o')}, "Error 1044: Parameters longer than 127 characters..."},
      {{"PRD", std::string(63, 'o'), std::string(63, 'o')}, ""},
  };
  for (const auto& c : cases) {
    RunSettings settings;
    Status status = read_command_line(c.arguments, settings);
    EXPECT_EQ(status.text(), c.error) << testing::PrintToString(c.arguments);
    EXPECT_EQ(status.is_ok(), c.error.empty());
  }
}

TEST(LocateProfileTest, OutsideThePrtgSearchOpensTheProfileWhereTheCommandLinePutIt) {
  const struct {
    std::vector<std::string> arguments;
    const char* expected_path;
  } cases[] = {
      {{"PRD", "MODE=Mervesk"}, "PRD.P00"},
      {{"D:\\Profiles\\PRD", "MODE=Tolvane"}, "D:\\Profiles\\PRD.P00"},
      {{"D:\\Profiles\\global", "MODE=Dravik"}, "D:\\Profiles\\SAP Orvanta.Gbl"},
      {{"PRD", "MODE=Quendal,ITEM=In-Errors"}, "Orvanta.Prf"},
      {{"D:\\Profiles\\PRD", "@"}, "D:\\Profiles\\PRD.P00"},
      {{"PRD", "lan=1 @ x"}, "PRD.P00"},
  };
  for (const auto& c : cases) {
    std::string shown = testing::PrintToString(c.arguments);
    FakePlatform platform;
    RunSettings settings;
    ASSERT_TRUE(read_command_line(c.arguments, settings).is_ok()) << shown;
    Status missing = locate_profile(platform, settings);
    EXPECT_EQ(missing.text(), std::string("Error 1002: Profile ") + c.expected_path + " is missing...")
        << shown;

    platform.files[c.expected_path] = "Destination: BIN\n";
    settings = RunSettings();
    ASSERT_TRUE(read_command_line(c.arguments, settings).is_ok()) << shown;
    ASSERT_TRUE(locate_profile(platform, settings).is_ok()) << shown;
    EXPECT_EQ(settings.profile_path, c.expected_path) << shown;
    ASSERT_NE(settings.profile_stream, nullptr) << shown;
  }
}

// The PRTG search drops a folder typed in front of the name, whichever
// separator it was written with: the profile comes from the ExeXml folder.
TEST(LocateProfileTest, ThePrtgSearchDropsEveryFolderOfTheName) {
  const std::string exexml = "C:\\PRTG\\Custom Sensors\\ExeXml\\";
  for (const char* name : {"..\\..\\outside\\EVIL", "../../outside/EVIL", "..\\../outside/EVIL", "x:/EVIL"}) {
    FakePlatform platform;
    platform.files["C:\\PRTG_Path.Txt"] = "C:\\PRTG\\Custom Sensors\\ExeXml\\\n";
    // Where Windows would resolve the name if it were kept.
    platform.files[exexml + name + ".P00"] = "Destination: EVIL\n";
    RunSettings settings;
    ASSERT_TRUE(read_command_line({name}, settings).is_ok()) << name;
    EXPECT_EQ(locate_profile(platform, settings).text(), "Error 1002: Profile EVIL.P00 is missing...") << name;

    platform.files[exexml + "EVIL.P00"] = "Destination: BIN\n";
    settings = RunSettings();
    ASSERT_TRUE(read_command_line({name}, settings).is_ok()) << name;
    ASSERT_TRUE(locate_profile(platform, settings).is_ok()) << name;
    EXPECT_EQ(settings.profile_path, exexml + "EVIL.P00") << name;
  }
}

TEST(LocateProfileTest, AFolderIsNoProfile) {
  FakePlatform platform;
  platform.files["PRD.P00"] = "";
  platform.folders.insert("PRD.P00");
  RunSettings settings;
  ASSERT_TRUE(read_command_line({"PRD", "MODE=Mervesk"}, settings).is_ok());
  EXPECT_EQ(locate_profile(platform, settings).text(), "Error 1002: Profile PRD.P00 is missing...");
}

}  // namespace
}  // namespace quillar
