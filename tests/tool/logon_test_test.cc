// The logon test's bounds: a system whose library work does not return
// within its deadline, the whole run's bound or, where the options leave the
// sensor unbounded, PRTG's default timeout, is given up, and the library it
// may still hold is not used again.
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
  const std::string kPrtgBound =
      "Bound: 60 seconds, PRTG's default timeout for a sensor; the sensor itself is not bounded without ,DEADLINE= "
      "or ,PARALLEL=, and PRTG ends it then without values.\n";
  const std::string kPrtgTimeoutFix =
      "quillar-profile: SAP system HANG did not answer within 60 seconds (the logon); check that the host is up "
      "and reachable from this computer, or bound the sensor with ,DEADLINE= so that it reports the system as too "
      "slow itself\n";
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    // The line that names the bound, and the end of standard output.
    std::string bound;
    std::string output_tail;
    std::string what_to_fix = "quillar-profile: SAP system HANG did not answer within 3 seconds (the logon); check "
                              "that the host is up and reachable from this computer, or raise ,DEADLINE=\n";
    std::uint64_t waited_ms = 3000;
  };
  const Case cases[] = {
      {"one system", {"test", "HANG", "MODE=Mervesk,DEADLINE=3"},
       "Bound: 3 seconds, the sensor's ,DEADLINE= for one system.\n",
       "No answer: the logon did not return within 3 seconds.\n"},
      {"the first system of a global run", {"test", "HANG", "MODE=Mervesk,ITEM=In-Errors,DEADLINE=3"},
       "Bound: 3 seconds, the sensor's ,DEADLINE= for one system.\n",
       "No answer: the logon did not return within 3 seconds.\n\nSystem OTHER.P00:\n"
       "Not tried: an earlier system did not answer.\n"},
      {"the whole run's bound, without a deadline", {"test", "HANG", "MODE=Mervesk,PARALLEL=2,RUNTIME=4"},
       "Bound: 4 seconds, what is left of the sensor's 4 seconds for its whole run (,RUNTIME=).\n",
       "No answer: the logon did not return within 4 seconds.\n",
       "quillar-profile: SAP system HANG did not answer within 4 seconds (the logon); check that the host is up and "
       "reachable from this computer, or raise ,RUNTIME=\n",
       4000},
      {"PRTG's default timeout, where the sensor is not bounded", {"test", "HANG", "MODE=Mervesk"},
       kPrtgBound,
       "No answer: the logon did not return within 60 seconds.\n",
       kPrtgTimeoutFix,
       60000},
      {"PRTG's default timeout bounds a whole global run", {"test", "HANG", "MODE=Mervesk,ITEM=In-Errors"},
       kPrtgBound,
       "No answer: the logon did not return within 60 seconds.\n\nSystem OTHER.P00:\n"
       "Not tried: an earlier system did not answer.\n",
       kPrtgTimeoutFix,
       60000},
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
    EXPECT_NE(output.find(c.bound + "Logon: destination HANG"), std::string::npos) << c.name << output;
    // Written out line by line, for an administrator who reads a file or a
    // pipe while the test hangs.
    EXPECT_EQ(platform.console_flushed, output.size()) << c.name;
    EXPECT_EQ(platform.error_console_flushed, platform.error_console.size()) << c.name;
  }
}

// The test tells every fault that quillar-profile check finds in a system
// profile, of one system and of each system of a global run, before the
// logon; a profile that the sensor refuses is refused with its line.
TEST(LogonTestProfile, TellsWhatCheckFindsBeforeTheLogon) {
  auto with_line = [](const std::string& label, const std::string& line) {
    std::string text = stored_profile("HANG");
    const std::size_t at = text.find(label);
    return text.replace(at, text.find('\n', at) + 1 - at, line + "\r\n");
  };
  const std::string stored = stored_profile("HANG");
  const std::size_t password_at = stored.find("Password...: ");
  const std::string password_line = stored.substr(password_at, stored.find('\r', password_at) - password_at);
  const std::string blank_user =
      "line 4, User.......: \"RFCUSER \" ends with a blank, which the logon sends as part of the value; write: "
      "User.......: RFCUSER\n";
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    std::string profile;
    int exit_code;
    // The beginning of standard error.
    std::string told;
  } cases[] = {
      {"a blank after the user", {"test", "HANG", "MODE=Mervesk"}, with_line("User", "User.......: RFCUSER "), 1,
       "quillar-profile: HANG.P00, " + blank_user},
      {"a blank after the user, in a global run", {"test", "HANG", "MODE=Mervesk,ITEM=In-Errors"},
       with_line("User", "User.......: RFCUSER "), 1, "quillar-profile: HANG.P00, " + blank_user},
      {"blanks after the stored password", {"test", "HANG", "MODE=Mervesk"},
       with_line("Password", password_line + "  "), 2,
       "quillar-profile: warning: HANG.P00, line 5 ends in a blank, which the sensor reads as part of the value\n"
       "quillar-profile: the sensor stops with \"Error 1004: Invalid Password in Profile HANG.P00 found...\": "
       "HANG.P00, line 5, Password...: 26 characters, the value must have 24\n"},
      {"blanks after the stored password, in a global run", {"test", "HANG", "MODE=Mervesk,ITEM=In-Errors"},
       with_line("Password", password_line + "  "), 1,
       "quillar-profile: warning: HANG.P00, line 5 ends in a blank, which the sensor reads as part of the value\n"
       "quillar-profile: HANG.P00: \"Error 1004: Invalid Password in Profile HANG.P00 found...\", so the run "
       "counts it as failed; line 5, Password...: 26 characters, the value must have 24\n"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.bounded_work_hangs = true;
    platform.files["HANG.P00"] = c.profile;
    platform.files["Orvanta.Prf"] = "# Gsng: any key     HANG.P00#\r\n";
    EXPECT_EQ(run_profile_tool(platform, c.arguments), c.exit_code) << c.name << platform.error_console;
    EXPECT_EQ(platform.error_console.rfind(c.told, 0), 0u) << c.name << "\n" << platform.error_console;
  }
}

}  // namespace
}  // namespace quillar
