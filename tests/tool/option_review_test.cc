#include "tool/option_review.h"

#include <gtest/gtest.h>

namespace quillar {
namespace {

// Each keyword is described with its value as read, in the order of the
// table of keywords; a keyword that only one framing reads is described by
// whether the run's mode has it.
TEST(OptionReviewTest, DescribesEveryKeywordGivenWithItsValue) {
  const std::string every_keyword =
      "LAN=eth0 ITEM=In:Errors MODE=x CH=2,SYSLOG,HOST=h1,NO=07,DEADLINE=5,PARALLEL=p,RUNTIME=30,FAILED @";
  const std::vector<std::string> described = {
      "ITEM=In Errors: a global run over Orvanta.Prf, reporting the channel \"In Errors\" of every system",
      "MODE=x: the output mode",
      "LAN=eth0: only the rows of the interface eth0 count (in any letter case)",
      "CH=2: only the value of this channel is printed",
      ",SYSLOG: Quillar.log is written in the working directory",
      ",HOST=h1: the logon goes to this application server instead of the profile's",
      ",NO=07: the logon uses this system number instead of the profile's",
      ",DEADLINE=5: a system that has not answered after this many seconds is stopped",
      ",PARALLEL=p: up to this many systems at once",
      ",RUNTIME=30: a run with ,DEADLINE= or ,PARALLEL= ends after this many seconds, its unfinished systems failed",
      ",FAILED: a global run adds the channel \"Failed systems\" with the count of failed systems",
      "@: the profile is opened where the first argument names it, without PRTG's folder search",
      "console trace on (a \"#\", \"@\", \"$\" or \"%\" in the options): trace lines come before the document, which "
      "PRTG then cannot read",
  };
  std::vector<std::string> passed_by = described;
  passed_by[3] = "CH=2: read by the mode Tolvane only, so without effect here";
  const struct {
    std::string options;
    Mode mode;
    std::vector<std::string> lines;
  } cases[] = {
      {every_keyword, Mode::kTolvane, described},
      {every_keyword, Mode::kMervesk, passed_by},
      // An empty interface name selects every interface, which is no option.
      {"CH=-1 LAN=", Mode::kTolvane, {"CH=-1: only the value of this channel is printed"}},
      {"", Mode::kExeXml, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(describe_options(read_options(c.options), c.mode), c.lines) << c.options;
}

}  // namespace
}  // namespace quillar
