#include "driver/processing_run.h"

#include <gtest/gtest.h>

namespace quillar {
namespace {

TEST(ProcessingRunTest, ShowsTheParametersOfTheExecutingLine) {
  const struct {
    const char* options;
    const char* shown;
  } cases[] = {
      {"", "(No Parameters)"},
      {"LAN=eth0", "LAN=eth0"},
      {"LAN=eth0 #trace", "LAN=eth0 "},
      {"#", "(No Parameters)"},
      {"LAN=1 @x #y", "LAN=1 "},
      {"a#b@c", "a"},
      {"(Parameters ", "(No Parameters)"},
      {"(No ", "(No Parameters)"},
      {"(No Parameters", "(No Parameters"},
      {"(Parameters #x", "(No Parameters)"},
  };
  for (const auto& c : cases) EXPECT_EQ(shown_parameters(c.options), c.shown) << c.options;
}

TEST(ProcessingRunTest, NamesTheChannelsOfTheGlobalRun) {
  LogonEntries entries;
  entries.hostname = "sapbin";
  entries.destination = "BIN";
  const struct {
    const char* selector;
    std::string profile_name;
    std::string channel;
  } cases[] = {
      {"1", "PRD.P00", "PRD.P00"},
      {"2", "PRD.P00", "PRD"},
      {"2", "ABC", "ABC"},
      {"2", ".P00", ""},
      {"3", "PRD.P00", "sapbin"},
      {"4", "PRD.P00", "BIN"},
      {"7", "PRD.P00", "PRD.P00"},
      {"1", std::string(43, 'n'), std::string(43, 'n')},
      {"1", std::string(44, 'n'), std::string(43, 'n')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(channel_name_for(c.selector, c.profile_name, entries), c.channel) << c.selector << " " << c.profile_name;
  }
}

}  // namespace
}  // namespace quillar
