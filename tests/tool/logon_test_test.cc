// The logon test's bounds: a system whose library work does not return
// within its deadline, or the whole run's bound, is given up, and the
// library it may still hold is not used again.
#include "tool/profile_tool.h"

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "profiles/password.h"
#include "profiles/profile_writer.h"
#include "profiles/system_profile.h"

namespace quillar {
namespace {

std::string stored_profile(const std::string& destination) {
  LogonEntries entries;
  entries.extcompany = "ACME";
  entries.destination = destination;
  entries.client = "100";
  entries.user = "RFCUSER";
  entries.password = "Secret#1";
  entries.language = "E";
  entries.mode = "R/3";
  entries.hostname = "saphang";
  entries.sysnr = "50";
  entries.gwhost = "saphang";
  entries.gwservice = "sapgw50";
  return profile_text(entries, OffsetTable()).value_or("");
}

TEST(LogonTestDeadline, GivesUpAtItsBoundAndTriesNoSystemAfterIt) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::string output_tail;
    std::string what_to_fix = "quillar-profile: SAP system HANG did not answer within 3 seconds (the logon); check "
                              "that the host is up and reachable from this computer, or raise ,DEADLINE=\n";
    std::uint64_t waited_ms = 3000;
  };
  const Case cases[] = {
      {"one system", {"test", "HANG", "MODE=Mervesk,DEADLINE=3"},
       "No answer: the logon did not return within 3 seconds.\n"},
      {"the first system of a global run", {"test", "HANG", "MODE=Mervesk,ITEM=In-Errors,DEADLINE=3"},
       "No answer: the logon did not return within 3 seconds.\n\nSystem OTHER.P00:\n"
       "Not tried: an earlier system did not answer.\n"},
      {"the whole run's bound, without a deadline", {"test", "HANG", "MODE=Mervesk,PARALLEL=2,RUNTIME=4"},
       "No answer: the logon did not return within 4 seconds.\n",
       "quillar-profile: SAP system HANG did not answer within 4 seconds (the logon); check that the host is up and "
       "reachable from this computer, or raise ,RUNTIME=\n",
       4000},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.bounded_work_hangs = true;
    platform.files["HANG.P00"] = stored_profile("HANG");
    platform.files["OTHER.P00"] = stored_profile("OTHER");
    platform.files["Orvanta.Prf"] = "# Gsng: any key     HANG.P00#OTHER.P00#\r\n";
    EXPECT_EQ(run_profile_tool(platform, c.arguments), 1) << c.name << platform.error_console;
    const std::string& output = platform.console;
    ASSERT_GE(output.size(), c.output_tail.size()) << c.name;
    EXPECT_EQ(output.substr(output.size() - c.output_tail.size()), c.output_tail) << c.name << output;
    EXPECT_EQ(platform.error_console, c.what_to_fix) << c.name;
    EXPECT_EQ(platform.clock_ms, c.waited_ms) << c.name;
  }
}

}  // namespace
}  // namespace quillar
