#include "profiles/global_profile.h"

#include <gtest/gtest.h>

#include "driver/options.h"
#include "driver/startup.h"
#include "fake_platform.h"

namespace quillar {
namespace {

struct Allocation {
  Status status = Status::Ok();
  GlobalAllocation allocation;
};

// Reads `content` as the global profile of a run with these arguments, the
// profile lying in the working directory.
Allocation allocate(const std::vector<std::string>& arguments, const std::string& content) {
  FakePlatform platform;
  platform.files["SAP Orvanta.Gbl"] = content;
  platform.files["Orvanta.Prf"] = content;
  RunSettings settings;
  EXPECT_TRUE(read_command_line(arguments, settings).is_ok());
  Allocation a;
  if (settings.profile_name == kItemProfileName) {
    a.status = read_item_profile(platform, settings.profile_name, settings.options.item.value_or(""), a.allocation);
  } else {
    a.status = read_global_profile(platform, settings.profile_name, settings.options.sensor_key,
                                   settings.sensor_argument, read_sensor_line, a.allocation);
  }
  return a;
}

// A server line of the GLOBAL form: marker, key in ten columns, two columns
// that are not read, entries from column 21.
std::string server_line(const std::string& marker, const std::string& key, const std::string& entries) {
  std::string line = marker + key;
  line.resize(18, ' ');
  return line + "--" + entries + "\n";
}
// A sensor line: marker, key in ten columns, one column not read, parameters
// from column 20.
std::string sensor_line(const std::string& key, const std::string& parameters) {
  std::string line = "# GSNX: " + key;
  line.resize(18, ' ');
  return line + "-" + parameters + "\n";
}
// A server line of the ITEM form: no key, entries from column 21.
std::string item_server_line(const std::string& entries) { return "# Gsng: 123456789012" + entries + "\n"; }

const std::string kSensorLine = sensor_line("S01", "LAN=1 Sensor=\"SAP Quillar\" Item=In-Errors");

TEST(GlobalProfileTest, GlobalFormCollectsTheSensorsServersAndOptions) {
  const std::string content = "; comment lines and other keys are ignored\n" +
                              server_line("# GSNG: ", "S02", "X.P00#") +
                              server_line("# gsng: ", "s01", "PRD.P00#") +
                              sensor_line("S01", "LAN=1 Sensor=\"SAP Quillar\" Item=In-Errors,Alias,Host") +
                              sensor_line("S01", "LAN=2 Sensor=\"SAP Quillar\" Item=Out-Errors,Sid") +
                              server_line("# GSNG: ", "S01", "QAS.P00#") + "# GSNG: S01 \n";
  Allocation a = allocate({"global", "s01 MODE=Mervesk"}, content);
  ASSERT_TRUE(a.status.is_ok()) << a.status.text();
  EXPECT_EQ(a.allocation.server_listing, (std::vector<std::string>{"PRD.P00", "QAS.P00"}));
  EXPECT_EQ(a.allocation.item, "In-Errors");
  EXPECT_EQ(a.allocation.channel_naming, ChannelNaming::kHostName);
  EXPECT_EQ(a.allocation.sensor_options, "LAN=1 Sensor=\"SAP Quillar\" Item=In-Errors,Alias,Host");
}

TEST(GlobalProfileTest, SensorLineSettlesOptionsItemAndNaming) {
  const struct {
    const char* name;
    std::string parameters;
    std::string options;
    std::string item;
    ChannelNaming naming;
  } cases[] = {
      {"options end at ,Sensor=", "LAN=1 Sensor=\"SAP Quillar\" Item=In-Errors,Sensor=X",
       "LAN=1 Sensor=\"SAP Quillar\" Item=In-Errors", "In-Errors", ChannelNaming::kProfileName},
      {"item found behind ,Sensor=", "Sensor=\"SAP Quillar\",Sensor=x Item=Collision(s)",
       "Sensor=\"SAP Quillar\"", "Collision(s)", ChannelNaming::kProfileName},
      {"colons in the item become blanks", "LAN=eth:0 Sensor=\"SAP Quillar\" Item=Eth0:1",
       "LAN=eth:0 Sensor=\"SAP Quillar\" Item=Eth0:1", "Eth0 1", ChannelNaming::kProfileName},
      {"item up to a comma", "Sensor=\"SAP Quillar\" Item=Out-Errors,CH=2", "Sensor=\"SAP Quillar\" Item=Out-Errors,CH=2",
       "Out-Errors", ChannelNaming::kProfileName},
      {"item of 90 characters at most", "Sensor=\"SAP Quillar\" Item=" + std::string(95, 'i'),
       "Sensor=\"SAP Quillar\" Item=" + std::string(95, 'i'), std::string(90, 'i'), ChannelNaming::kProfileName},
      {",Profile", "Sensor=\"SAP Quillar\" Item=x,Profile", "Sensor=\"SAP Quillar\" Item=x,Profile", "x", ChannelNaming::kProfileName},
      {",Alias", "Sensor=\"SAP Quillar\" Item=x,Alias", "Sensor=\"SAP Quillar\" Item=x,Alias", "x", ChannelNaming::kAlias},
      {",Sid wins over all", "Sensor=\"SAP Quillar\" Item=x,Sid,Host,Alias,Profile",
       "Sensor=\"SAP Quillar\" Item=x,Sid,Host,Alias,Profile", "x", ChannelNaming::kDestination},
  };
  for (const auto& c : cases) {
    Allocation a = allocate({"GLOBAL", "S01"}, server_line("# GSNG: ", "S01", "PRD.P00#") +
                                                    sensor_line("S01", c.parameters));
    ASSERT_TRUE(a.status.is_ok()) << c.name << ": " << a.status.text();
    EXPECT_EQ(a.allocation.sensor_options, c.options) << c.name;
    EXPECT_EQ(a.allocation.item, c.item) << c.name;
    EXPECT_EQ(a.allocation.channel_naming, c.naming) << c.name;
  }
}

TEST(GlobalProfileTest, SensorKeyIsTheFirstWordInTenColumns) {
  const struct {
    const char* options;
    const char* line_key;
    bool matches;
  } cases[] = {
      {"S01", "S01", true},
      {"s01 LAN=1", "s01", true},
      {"LONGSENSORNAME", "LONGSENSOR", true},
      {"S01", "S01X", false},
      {"", "", true},
  };
  for (const auto& c : cases) {
    Allocation a = allocate({"GLOBAL", c.options}, server_line("# GSNG: ", c.line_key, "PRD.P00#") +
                                                       sensor_line(c.line_key, "Sensor=\"SAP Quillar\" Item=x"));
    if (c.matches) {
      EXPECT_EQ(a.allocation.server_listing, (std::vector<std::string>{"PRD.P00"})) << c.options;
    } else {
      EXPECT_EQ(a.status.text(), "Error 1030: Global Sensor S01 not found...") << c.options;
    }
  }
}

TEST(GlobalProfileTest, ItemFormTakesEveryGsngLine) {
  const std::string content = item_server_line("PRD.P00#") + item_server_line("QAS.P00#DEV.P00#") +
                              server_line("# GSNG: ", "S01", "NOT.P00#") +
                              server_line("# Gsng; ", "S01", "NOT.P00#") + "# Gsng: 123456789012\n" +
                              item_server_line("TST.P00");
  Allocation a = allocate({"PRD", "lan=1 ITEM=Out-Errors"}, content);
  ASSERT_TRUE(a.status.is_ok()) << a.status.text();
  EXPECT_EQ(a.allocation.server_listing, (std::vector<std::string>{"PRD.P00", "QAS.P00", "DEV.P00", "TST.P00"}));
  EXPECT_EQ(a.allocation.item, "Out-Errors");
}

TEST(GlobalProfileTest, FaultsInTheirOrder) {
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    std::string content;
    std::string error;
  } cases[] = {
      {"sensor line of another program", {"GLOBAL", "S01"},
       server_line("# GSNG: ", "S01", "PRD.P00#") + sensor_line("S01", "Sensor=\"SAP Other\" Item=x") + kSensorLine,
       "Error 1029: Invalid Sensor-Allocation..."},
      {"no sensor line names the second argument as typed", {"GLOBAL", "s01 extra", "more"},
       server_line("# GSNG: ", "S01", "PRD.P00#"), "Error 1030: Global Sensor s01 extra not found..."},
      {"no sensor line and no second argument", {"GLOBAL"}, "", "Error 1030: Global Sensor  not found..."},
      {"no server lines", {"GLOBAL", "S01"}, kSensorLine, "Error 1025: Global Server Listing missing..."},
      {"no item", {"GLOBAL", "S01"},
       server_line("# GSNG: ", "S01", "PRD.P00#") + sensor_line("S01", "LAN=1 Sensor=\"SAP Quillar\""),
       "Error 1026: Global Item Idenification missing..."},
      {"empty item", {"GLOBAL", "S01"},
       server_line("# GSNG: ", "S01", "PRD.P00#") + sensor_line("S01", "Sensor=\"SAP Quillar\" Item= x"),
       "Error 1026: Global Item Idenification missing..."},
      {"listing is checked before the item", {"GLOBAL", "S01"},
       sensor_line("S01", "Sensor=\"SAP Quillar\""), "Error 1025: Global Server Listing missing..."},
      {"ITEM form without servers", {"PRD", "ITEM=x"}, server_line("# GSNG: ", "S01", "PRD.P00#"),
       "Error 1025: Global Server Listing missing..."},
      {"ITEM form with an empty item", {"PRD", "ITEM=,"}, item_server_line("PRD.P00#"),
       "Error 1026: Global Item Idenification missing..."},
      {"options longer than their room", {"GLOBAL", "S01"},
       server_line("# GSNG: ", "S01", "PRD.P00#") +
           sensor_line("S01", std::string(110, 'o') + " Sensor=\"SAP Quillar\" Item=x"),
       "Error 1031: Sensor-Parameters longer than 127 characters..."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(allocate(c.arguments, c.content).status.text(), c.error) << c.name;
  }
}

TEST(GlobalProfileTest, MissingProfilesHaveTheirOwnErrors) {
  FakePlatform platform;
  GlobalAllocation allocation;
  EXPECT_EQ(
      read_global_profile(platform, "D:\\x\\SAP Orvanta.Gbl", "S01", "S01", read_sensor_line, allocation).text(),
            "Error 10x1: ProFile SAP Orvanta.Gbl is missing...");
  EXPECT_EQ(read_item_profile(platform, "D:\\x\\Orvanta.Prf", "x", allocation).text(),
            "Error 1024: ProFile Orvanta.Prf is missing...");
}

TEST(GlobalProfileTest, AnOverlongListingIsCutAfterAWholeName) {
  std::string content;
  // 200 lines of "NAME0000.P00#" (13 characters each): 2600 characters.
  for (int i = 0; i < 200; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "N%07d.P00#", i);
    content += item_server_line(name);
  }
  Allocation a = allocate({"PRD", "ITEM=x"}, content);
  ASSERT_TRUE(a.status.is_ok()) << a.status.text();
  ASSERT_EQ(a.allocation.server_listing.size(), 157u);
  EXPECT_EQ(a.allocation.server_listing.back(), "N0000156.P00");
}

TEST(GlobalProfileTest, ByteOrderMarkIsSkippedAndUtf16Refused) {
  const std::string gbl = server_line("# GSNG: ", "S01", "PRD.P00#") + kSensorLine;
  Allocation global_form = allocate({"GLOBAL", "S01"}, "\xEF\xBB\xBF" + gbl);
  EXPECT_TRUE(global_form.status.is_ok()) << global_form.status.text();
  EXPECT_EQ(global_form.allocation.server_listing, (std::vector<std::string>{"PRD.P00"}));
  Allocation item_form = allocate({"PRD", "ITEM=x"}, "\xEF\xBB\xBF" + item_server_line("QAS.P00#"));
  EXPECT_EQ(item_form.allocation.server_listing, (std::vector<std::string>{"QAS.P00"}));

  EXPECT_EQ(allocate({"GLOBAL", "S01"}, "\xFF\xFE#\0").status.text(),
            "Error 1009: File SAP Orvanta.Gbl is saved as UTF-16, save it as ANSI or UTF-8...");
  EXPECT_EQ(allocate({"PRD", "ITEM=x"}, "\xFE\xFF\0#").status.text(),
            "Error 1009: File Orvanta.Prf is saved as UTF-16, save it as ANSI or UTF-8...");
}

}  // namespace
}  // namespace quillar

namespace quillar {
namespace {

// Every line of the file is reported, whatever the key, with what the reader
// did with it; after a sensor line that ends the reading, the rest as passed
// over.
TEST(GlobalProfileTest, ReportsEachLineTakenOrPassedOver) {
  using Use = LineUse;
  const std::string other_key = server_line("# GSNG: ", "S02", "QAS.P00#");
  const struct {
    const char* name;
    std::string content;
    std::vector<Use> uses;
  } cases[] = {
      {"the key's lines, another key's, a comment, a second sensor line",
       "; comment\n" + server_line("# gsng: ", "s01", "PRD.P00#") + other_key + kSensorLine + kSensorLine,
       {Use::kNoMarker, Use::kTaken, Use::kOtherKey, Use::kTaken, Use::kSecondSensorLine}},
      {"a sensor line that allocates nothing",
       sensor_line("S01", "Item=In-Errors") + server_line("# GSNG: ", "S01", "PRD.P00#"),
       {Use::kTaken, Use::kAfterFault}},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.files["SAP Orvanta.Gbl"] = c.content;
    GlobalAllocation allocation;
    ReadReport report;
    Status ignored =
        read_global_profile(platform, "SAP Orvanta.Gbl", "S01", "S01", read_sensor_line, allocation, &report);
    (void)ignored;
    std::vector<Use> seen;
    for (const ReportedLine& line : report.lines) seen.push_back(line.use);
    EXPECT_EQ(seen, c.uses) << c.name;
  }

  FakePlatform platform;
  platform.files["Orvanta.Prf"] = "# GSNG: 123456789012QAS.P00#\n" + item_server_line("PRD.P00#");
  GlobalAllocation allocation;
  ReadReport report;
  ASSERT_TRUE(read_item_profile(platform, "Orvanta.Prf", "In-Errors", allocation, &report).is_ok());
  ASSERT_EQ(report.lines.size(), 2u);
  EXPECT_EQ(report.lines[0].use, Use::kNoMarker);
  EXPECT_EQ(report.lines[1].use, Use::kTaken);
  EXPECT_EQ(report.lines[1].number, 2u);
}

}  // namespace
}  // namespace quillar
