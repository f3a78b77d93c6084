#include "driver/options.h"

#include <gtest/gtest.h>

#include <limits>

#include "driver/startup.h"

namespace quillar {
namespace {

TEST(OptionsTest, ReadsEveryKeywordInAnyLetterCase) {
  Options options = read_options("lan=Eth1,Item=In:Errors mode=tolvane,ch=2,syslog,host=sapB,no=07 #");
  EXPECT_EQ(options.interface_name, "Eth1");
  EXPECT_EQ(options.item, "In Errors");
  EXPECT_EQ(options.mode, "tolvane");
  EXPECT_TRUE(options.channel_selection);
  EXPECT_EQ(options.selected_channel, 2);
  EXPECT_TRUE(options.syslog);
  EXPECT_EQ(options.overrides.hostname, "sapB");
  EXPECT_EQ(options.overrides.sysnr, "07");
  EXPECT_TRUE(options.trace);
  EXPECT_FALSE(options.open_as_named);
  EXPECT_EQ(options.sensor_key, "LAN=ETH1,ITEM=IN:ERRORS");

  Options none = read_options("");
  EXPECT_FALSE(none.item || none.mode || none.overrides.hostname || none.overrides.sysnr);
  EXPECT_FALSE(none.trace || none.syslog || none.channel_selection || none.open_as_named);
  EXPECT_EQ(none.interface_name, "");
}

TEST(OptionsTest, EachValueFollowsItsOwnRule) {
  const struct {
    std::string options;
    const char* interface_name;
    std::optional<std::string> item;
    std::optional<std::string> host;
    bool trace, named;
  } cases[] = {
      {"LAN=eth0 x", "eth0", std::nullopt, std::nullopt, false, false},
      // The interface's first character never ends it.
      {"LAN=,x,y", ",x", std::nullopt, std::nullopt, false, false},
      {"LAN=", "", std::nullopt, std::nullopt, false, false},
      {"ITEM=" + std::string(95, 'i'), "", std::string(90, 'i'), std::nullopt, false, false},
      {"ITEM=a,b", "", "a", std::nullopt, false, false},
      // The comma belongs to the override keywords.
      {"HOST=h2", "", std::nullopt, std::nullopt, false, false},
      {"x,HOST=h2 y", "", std::nullopt, "h2", false, false},
      {"LAN=eth#1", "eth#1", std::nullopt, std::nullopt, true, false},
      {"@", "", std::nullopt, std::nullopt, true, true},
      {"a$b", "", std::nullopt, std::nullopt, true, false},
      {"100%", "", std::nullopt, std::nullopt, true, false},
  };
  for (const auto& c : cases) {
    Options options = read_options(c.options);
    EXPECT_EQ(options.interface_name, c.interface_name) << c.options;
    EXPECT_EQ(options.item, c.item) << c.options;
    EXPECT_EQ(options.overrides.hostname, c.host) << c.options;
    EXPECT_EQ(options.trace, c.trace) << c.options;
    EXPECT_EQ(options.open_as_named, c.named) << c.options;
  }
}

TEST(OptionsTest, ReadsTheChannelSelection) {
  const struct {
    const char* options;
    bool selection;
    long channel;
  } cases[] = {
      {"", false, 0},           {"CH=2", true, 2},         {"ch=2", true, 2},
      {"CH=1234", true, 123},   {"CH=12,LAN=1", true, 12}, {"CH=1,2", true, 1},
      {"CH=,5", true, 0},       {"CH=abc", true, 0},       {"CH= 7", true, 7},
      {"CH=-3", true, -3},      {"CH=", true, 0},          {"X CH=4 CH=5", true, 4},
  };
  for (const auto& c : cases) {
    Options options = read_options(c.options);
    EXPECT_EQ(options.channel_selection, c.selection) << c.options;
    EXPECT_EQ(options.selected_channel, c.channel) << c.options;
  }
}

// The global run reads keywords and values from one text: ":" has become a
// blank and the text is cut at " @", so nothing after the cut is read.
TEST(OptionsTest, GlobalRunOptions) {
  Options options = read_global_run_options("LAN=a:b,CH=3 MODE:Tolvane,HOST=h @x,NO=9");
  EXPECT_EQ(options.typed, "LAN=a b,CH=3 MODE Tolvane,HOST=h");
  EXPECT_EQ(options.interface_name, "a");
  EXPECT_EQ(options.selected_channel, 3);
  EXPECT_EQ(options.mode, std::nullopt);
  EXPECT_EQ(options.overrides.hostname, "h");
  EXPECT_EQ(options.overrides.sysnr, std::nullopt);

  const struct {
    const char* sensor_options;
    std::optional<long> deadline;
    bool syslog, failed, channel_selection;
  } cases[] = {
      {"LAN=1,DEADLINE=5", 5, false, false, false},
      {"LAN=1 @trace,DEADLINE=5", std::nullopt, false, false, false},
      {"LAN=1 @trace,SYSLOG,FAILED CH=2", std::nullopt, false, false, false},
      {"LAN=1,syslog,failed,ch=2 @x", std::nullopt, true, true, true},
      {"LAN=1@x,DEADLINE=5", 5, false, false, false},
  };
  for (const auto& c : cases) {
    Options read = read_global_run_options(c.sensor_options);
    EXPECT_EQ(read.deadline.value, c.deadline) << c.sensor_options;
    EXPECT_TRUE(check_run_limits(read).is_ok()) << c.sensor_options;
    EXPECT_EQ(read.syslog, c.syslog) << c.sensor_options;
    EXPECT_EQ(read.failed_channel, c.failed) << c.sensor_options;
    EXPECT_EQ(read.channel_selection, c.channel_selection) << c.sensor_options;
  }
}

TEST(OptionsTest, DeadlineParallelRuntimeAndTheirRanges) {
  constexpr long kMost = std::numeric_limits<long>::max();
  const struct {
    const char* options;
    std::optional<long> deadline, parallel, runtime;
    long whole_run;
    // The error text of a refusal; empty when the values are taken.
    std::string refusal;
  } cases[] = {
      {"", std::nullopt, std::nullopt, std::nullopt, 50, ""},
      {"LAN=1,deadline=20,Parallel=16", 20, 16, std::nullopt, 50, ""},
      {",DEADLINE=1,PARALLEL=32", 1, 32, std::nullopt, 50, ""},
      {",DEADLINE=50", 50, std::nullopt, std::nullopt, 50, ""},
      {",DEADLINE=05,PARALLEL=+4", 5, 4, std::nullopt, 50, ""},
      {",DEADLINE=51", 51, std::nullopt, std::nullopt, 50,
       "Error 1062: DEADLINE=51 is out of range, 1 to 50 seconds as RUNTIME=50 allows..."},
      {",DEADLINE=600,RUNTIME=600", 600, std::nullopt, 600, 600, ""},
      {",DEADLINE=600,RUNTIME=599", 600, std::nullopt, 599, 599,
       "Error 1062: DEADLINE=600 is out of range, 1 to 599 seconds as RUNTIME=599 allows..."},
      {",DEADLINE=030,RUNTIME=29", 30, std::nullopt, 29, 29,
       "Error 1062: DEADLINE=030 is out of range, 1 to 29 seconds as RUNTIME=29 allows..."},
      {",DEADLINE=601,RUNTIME=900", 601, std::nullopt, 900, 900,
       "Error 1062: DEADLINE=601 is out of range, 1 to 600 seconds..."},
      {",deadline=0", 0, std::nullopt, std::nullopt, 50, "Error 1062: DEADLINE=0 is out of range, 1 to 600 seconds..."},
      {",PARALLEL=33", std::nullopt, 33, std::nullopt, 50, "Error 1062: PARALLEL=33 is out of range, 1 to 32 systems..."},
      {",PARALLEL=-3", std::nullopt, -3, std::nullopt, 50, "Error 1062: PARALLEL=-3 is out of range, 1 to 32 systems..."},
      {",PARALLEL=0,DEADLINE=-5", -5, 0, std::nullopt, 50,
       "Error 1062: DEADLINE=-5 is out of range, 1 to 600 seconds..."},
      // Beyond the range of long a number is held at its bound, never
      // wrapped into the option's range.
      {",PARALLEL=99999999999999999999", std::nullopt, kMost, std::nullopt, 50,
       "Error 1062: PARALLEL=99999999999999999999 is out of range, 1 to 32 systems..."},
      {",PARALLEL=18446744073709551617", std::nullopt, kMost, std::nullopt, 50,
       "Error 1062: PARALLEL=18446744073709551617 is out of range, 1 to 32 systems..."},
      {",DEADLINE=-99999999999999999999", -kMost, std::nullopt, std::nullopt, 50,
       "Error 1062: DEADLINE=-99999999999999999999 is out of range, 1 to 600 seconds..."},
      // Anything but an optional sign and digits is no number at all.
      {",PARALLEL=1e9", std::nullopt, std::nullopt, std::nullopt, 50,
       "Error 1062: PARALLEL=1e9 is not a whole number..."},
      {",PARALLEL=1.5", std::nullopt, std::nullopt, std::nullopt, 50,
       "Error 1062: PARALLEL=1.5 is not a whole number..."},
      {",PARALLEL=x", std::nullopt, std::nullopt, std::nullopt, 50, "Error 1062: PARALLEL=x is not a whole number..."},
      {",PARALLEL=\t5", std::nullopt, std::nullopt, std::nullopt, 50,
       "Error 1062: PARALLEL=\t5 is not a whole number..."},
      {",PARALLEL=-", std::nullopt, std::nullopt, std::nullopt, 50, "Error 1062: PARALLEL=- is not a whole number..."},
      {",DEADLINE=", std::nullopt, std::nullopt, std::nullopt, 50, "Error 1062: DEADLINE= is not a whole number..."},
      {",DEADLINE=5x", std::nullopt, std::nullopt, std::nullopt, 50, "Error 1062: DEADLINE=5x is not a whole number..."},
      // The value runs to a blank or a comma, so an "@" belongs to it.
      {"LAN=1,DEADLINE=5@x", std::nullopt, std::nullopt, std::nullopt, 50,
       "Error 1062: DEADLINE=5@x is not a whole number..."},
      {",PARALLEL=2,RUNTIME=abc", std::nullopt, 2, std::nullopt, 50, "Error 1062: RUNTIME=abc is not a whole number..."},
      {",PARALLEL=2,runtime=1", std::nullopt, 2, 1, 1, ""},
      {",PARALLEL=2,RUNTIME=900", std::nullopt, 2, 900, 900, ""},
      {",PARALLEL=2,RUNTIME=901", std::nullopt, 2, 901, 901,
       "Error 1062: RUNTIME=901 is out of range, 1 to 900 seconds..."},
      {",RUNTIME=-5,PARALLEL=1", std::nullopt, 1, -5, -5, "Error 1062: RUNTIME=-5 is out of range, 1 to 900 seconds..."},
      // The runtime bounds only a run with children.
      {",RUNTIME=30", std::nullopt, std::nullopt, 30, 30,
       "Error 1062: RUNTIME=30 bounds only a run with ,DEADLINE= or ,PARALLEL=, add one of them..."},
      {",RUNTIME=030 LAN=1", std::nullopt, std::nullopt, 30, 30,
       "Error 1062: RUNTIME=030 bounds only a run with ,DEADLINE= or ,PARALLEL=, add one of them..."},
      {"DEADLINE=5,RUNTIME=30", std::nullopt, std::nullopt, 30, 30,
       "Error 1062: RUNTIME=30 bounds only a run with ,DEADLINE= or ,PARALLEL=, add one of them..."},
      {"DEADLINE=5 RUNTIME=1", std::nullopt, std::nullopt, std::nullopt, 50, ""},
      // Only the first refusal is named: each option's form and range in
      // turn, then the runtime alone, then the deadline against the runtime.
      {",DEADLINE=abc,PARALLEL=99", std::nullopt, 99, std::nullopt, 50,
       "Error 1062: DEADLINE=abc is not a whole number..."},
      {",PARALLEL=x,DEADLINE=700", 700, std::nullopt, std::nullopt, 50,
       "Error 1062: DEADLINE=700 is out of range, 1 to 600 seconds..."},
      {",PARALLEL=x,RUNTIME=0", std::nullopt, std::nullopt, 0, 0, "Error 1062: PARALLEL=x is not a whole number..."},
      {",PARALLEL=99,RUNTIME=y", std::nullopt, 99, std::nullopt, 50,
       "Error 1062: PARALLEL=99 is out of range, 1 to 32 systems..."},
      {",RUNTIME=z", std::nullopt, std::nullopt, std::nullopt, 50, "Error 1062: RUNTIME=z is not a whole number..."},
      {",RUNTIME=901", std::nullopt, std::nullopt, 901, 901, "Error 1062: RUNTIME=901 is out of range, 1 to 900 seconds..."},
      {",DEADLINE=60,RUNTIME=901", 60, std::nullopt, 901, 901,
       "Error 1062: RUNTIME=901 is out of range, 1 to 900 seconds..."},
      // A limit given more than once is refused, whatever its values: none
      // of them is passed over. The first value is read all the same.
      {",DEADLINE=1,DEADLINE=700", 1, std::nullopt, std::nullopt, 50,
       "Error 1062: DEADLINE= is given more than once, give it once..."},
      {",PARALLEL=2,PARALLEL=1e9", std::nullopt, 2, std::nullopt, 50,
       "Error 1062: PARALLEL= is given more than once, give it once..."},
      {",PARALLEL=1,RUNTIME=30,RUNTIME=abc", std::nullopt, 1, 30, 30,
       "Error 1062: RUNTIME= is given more than once, give it once..."},
      {",deadline=5,Deadline=5", 5, std::nullopt, std::nullopt, 50,
       "Error 1062: DEADLINE= is given more than once, give it once..."},
      {",PARALLEL=+5,PARALLEL=+5,PARALLEL=+5", std::nullopt, 5, std::nullopt, 50,
       "Error 1062: PARALLEL= is given more than once, give it once..."},
      {",DEADLINE=,DEADLINE=", std::nullopt, std::nullopt, std::nullopt, 50,
       "Error 1062: DEADLINE= is given more than once, give it once..."},
      // Only a keyword with its comma counts; the word without it is passed over.
      {",DEADLINE=5 DEADLINE=6", 5, std::nullopt, std::nullopt, 50, ""},
      // Each option's repetition comes before its form and range, the
      // options in turn.
      {",DEADLINE=abc,PARALLEL=1,PARALLEL=2", std::nullopt, 1, std::nullopt, 50,
       "Error 1062: DEADLINE=abc is not a whole number..."},
      {",PARALLEL=1,PARALLEL=2,DEADLINE=abc", std::nullopt, 1, std::nullopt, 50,
       "Error 1062: DEADLINE=abc is not a whole number..."},
      {",PARALLEL=x,DEADLINE=5,DEADLINE=6", 5, std::nullopt, std::nullopt, 50,
       "Error 1062: DEADLINE= is given more than once, give it once..."},
      {",RUNTIME=30,RUNTIME=30", std::nullopt, std::nullopt, 30, 30,
       "Error 1062: RUNTIME= is given more than once, give it once..."},
      {",DEADLINE=60,RUNTIME=10,RUNTIME=90", 60, std::nullopt, 10, 10,
       "Error 1062: RUNTIME= is given more than once, give it once..."},
  };
  for (const auto& c : cases) {
    Options options = read_options(c.options);
    EXPECT_EQ(options.deadline.value, c.deadline) << c.options;
    EXPECT_EQ(options.parallel.value, c.parallel) << c.options;
    EXPECT_EQ(options.runtime.value, c.runtime) << c.options;
    EXPECT_EQ(options.whole_run_seconds(), c.whole_run) << c.options;
    EXPECT_EQ(options.uses_children(), c.deadline.has_value() || c.parallel.has_value()) << c.options;
    Status limits = check_run_limits(options);
    EXPECT_EQ(limits.is_ok() ? "" : limits.text(), c.refusal) << c.options;
  }
}

}  // namespace
}  // namespace quillar

namespace quillar {
namespace {

// What the sensor passes over, as each reader of options finds it, in the
// order of the keywords.
TEST(OptionsTest, ReportsTheWordsItPassesOver) {
  using Skip = OptionSkip;
  struct Skipped {
    Skip reason;
    std::string word;
    bool operator==(const Skipped&) const = default;
  };
  auto skipped_of = [](const Options& options) {
    std::vector<Skipped> skipped;
    for (const SkippedOption& word : options.skipped) skipped.push_back({word.reason, word.word});
    return skipped;
  };
  const struct {
    const char* name;
    Options options;
    std::vector<Skipped> skipped;
  } cases[] = {
      {"nothing passed over", read_options("LAN=eth0 ,DEADLINE=5 ,SYSLOG"), {}},
      {"keywords without their comma, in keyword order", read_options("deadline=10 SYSLOG LAN=a"),
       {{Skip::kWithoutComma, "SYSLOG"}, {Skip::kWithoutComma, "deadline=10"}}},
      {"a keyword given twice, and a word that is no option", read_options("LAN=a Lane=x lan=b"),
       {{Skip::kRepeated, "lan=b"}, {Skip::kNoKeyword, "Lane=x"}}},
      {"a run limit given twice is refused, not passed over",
       read_options(",DEADLINE=1,PARALLEL=2,RUNTIME=3,deadline=4"), {}},
      {"a comma keyword inside a word is read", read_options("x,DEADLINE=5"), {}},
      {"the sensor line: mode and trace", read_sensor_line_options("MODE=Tolvane LAN=a # Sensor=\"SAP Quillar\""),
       {{Skip::kModeOnSensorLine, "MODE=Tolvane"}, {Skip::kTraceOnSensorLine, "#"}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(skipped_of(c.options), c.skipped) << c.name;
  }

  // The GLOBAL form reads only the key, the mode and the trace of its
  // command line; its key is no option word.
  RunSettings settings;
  ASSERT_TRUE(read_command_line({"GLOBAL", "KEY=1 MODE=Mervesk LAN=a deadline=3"}, settings).is_ok());
  EXPECT_EQ(skipped_of(settings.options),
            (std::vector<Skipped>{{Skip::kGlobalFormCommandLine, "LAN=a"},
                                  {Skip::kWithoutComma, "deadline=3"}}));
  // The repeated keyword keeps the one read.
  const Options twice = read_options("CH=1 CH=2");
  ASSERT_EQ(twice.skipped.size(), 1u);
  EXPECT_EQ(twice.skipped[0].read_instead, "CH=1");
}

// Start-up passes over arguments after the third, and in the ITEM form a
// first argument that names another profile.
TEST(OptionsTest, StartUpReportsTheArgumentsItDoesNotRead) {
  RunSettings settings;
  ASSERT_TRUE(read_command_line({"QAS", "ITEM=In-Errors", ",SYSLOG", "x", "y"}, settings).is_ok());
  EXPECT_EQ(settings.unread_arguments, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(settings.unread_profile_argument, "QAS");
  RunSettings item_profile;
  ASSERT_TRUE(read_command_line({"Orvanta.Prf", "ITEM=In-Errors"}, item_profile).is_ok());
  EXPECT_FALSE(item_profile.unread_profile_argument.has_value());
}

}  // namespace
}  // namespace quillar
