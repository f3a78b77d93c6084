// quillar-profile test against the stand-in RFC library, natively and under
// wine: what an administrator sees when a sensor shows zeros or Error 1011.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

#include "e2e/e2e_support.h"

namespace quillar::e2e {
namespace {

const std::string kRun = "C:\\e2e\\run";
const std::string kSensors = "C:\\e2e\\PRTG\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\";

const std::string kLandscape =
    landscape_system("BIN", "sapbin", "00",
                     "lan = eth0 6789 5556 0 0 0 12345\nlan = lo 10 10 0 0 0 20\nlan = ETH1 1 2 3 4 5 6\n") +
    landscape_system("ALT", "sapalt", "07", "lan = eth0 1 2 3 4 5 6\n") +
    landscape_system("QAS", "sapqas", "01", "lan = eth0 1000 2000 7 8 9 3000\n") +
    landscape_system("DEV", "sapdev", "02", "") + "password = other\n" +
    landscape_system("EMPTY", "sapempty", "03", "") +
    landscape_system("ERR2", "saperr", "12", "receive = exception NO_DATA_FOUND\n") +
    landscape_system("HANG", "saphang", "50", "hang = RfcOpen\n");

const std::string kBinRows =
    "  Interface  Packets/Sec  In-Packets/Sec  Out-Packets/Sec   In-Errors  Out-Errors  Collision(s)\n"
    "  eth0             12345            6789             5556           0           0             0\n"
    "  lo                  20              10               10           0           0             0\n"
    "  ETH1                 6               1                2           3           4             5\n";

struct Case {
  const char* name;
  std::vector<std::string> arguments;
  std::map<std::string, std::string> files;
  int expected_exit;
  // Parts of standard output, each a run of whole lines, in this order.
  std::vector<std::string> shown;
  // Standard error: empty, or the one line on what to fix.
  std::string what_to_fix;
  // Whether the stand-in finds the systems of kLandscape.
  bool with_landscape = true;
  // A part of standard error after the start of what_to_fix.
  std::string advice = "";
};

class LogonTestEndToEnd : public testing::Test {
 protected:
  void TearDown() override { host().clear_files(); }
};

// A profile for BIN whose line of `label` reads `line` instead.
std::string bin_profile_with(const std::string& label, const std::string& line) {
  std::string text = profile("BIN", "100", "sapbin", "00");
  const std::size_t at = text.find(label);
  return text.replace(at, text.find('\n', at) + 1 - at, line + "\r\n");
}

TEST_F(LogonTestEndToEnd, ShowsWhatTheSystemAnswersAndWhatToFix) {
  const std::string in_prtg = "C:\\e2e\\PRTG\\";
  const std::string library = behind_netweaver_bridge() ? "sapnwrfc.dll" : "librfc32.dll";
  const std::string stored_password = profile("BIN", "100", "sapbin", "00").substr(
      profile("BIN", "100", "sapbin", "00").find("Password...: "));
  const Case cases[] = {
      {"a good logon, found as the sensor finds it",
       {"PRD", "LAN=eth0"},
       {{"C:\\PRTG_Path.Txt", in_prtg + "\r\n"}, {kSensors + "PRD.P00", profile("BIN", "100", "sapbin", "00")}},
       0,
       {"Profile: " + kSensors + "PRD.P00\n",
        "Logon: destination BIN, client 100, user RFCUSER, language E, host sapbin, system number 00; the password "
        "is not shown\nLogged on.\nGET_LAN_SINGLE gave 3 interfaces:\n" + kBinRows +
            "LAN=eth0 selects: eth0.\nThe sensor reports: (BIN) Net-Usage LAN[eth0]: Traffics=12.345, "
            "InPacks=6.789, OutPacks=5.556, InErr=0, OutErr=0, Collisions=0\n"},
       ""},
      {"LAN= selects its interface in any letter case",
       {"PRD", "MODE=Mervesk,lan=ETH0"},
       {{kRun + "\\PRD.P00", profile("BIN", "100", "sapbin", "00")}},
       0,
       {"LAN=ETH0 selects: eth0.\n"},
       ""},
      {",HOST= and ,NO= log on elsewhere, as the sensor does",
       {"PRD", "MODE=Mervesk,HOST=sapalt,NO=07"},
       {{kRun + "\\PRD.P00", profile("BIN", "100", "sapbin", "00")}},
       0,
       {"host sapalt (,HOST=), system number 07 (,NO=); the password is not shown\nLogged on.\n"
        "GET_LAN_SINGLE gave 1 interface:\n"},
       ""},
      {"a wrong password shows the library's reason and its trace block",
       {"DEV", "MODE=Mervesk"},
       {{kRun + "\\DEV.P00", profile("DEV", "100", "sapdev", "02")}},
       1,
       {"The logon failed: Name or password is incorrect (repeat logon)",
        "New in Dev_Rfc.Trc (left where it is):\n  **** ERROR file opened at ",
        "======> Name or password is incorrect (repeat logon)\n"},
       "quillar-profile: the logon to DEV failed, so the sensor reports \"Error 1011: RFC-Open for DEV failed !\": "
       "Name or password is incorrect (repeat logon)"},
      {"an unknown LAN= lists the interfaces the host has",
       {"PRD", "MODE=Mervesk,LAN=eth9"},
       {{kRun + "\\PRD.P00", profile("BIN", "100", "sapbin", "00")}},
       1,
       {kBinRows + "LAN=eth9 selects no row.\n"},
       "quillar-profile: LAN=eth9 matches none of: eth0, lo, ETH1; the sensor would report 0 in every channel\n"},
      {"a host without interfaces",
       {"EMPTY", "MODE=Mervesk"},
       {{kRun + "\\EMPTY.P00", profile("EMPTY", "100", "sapempty", "03")}},
       1,
       {"GET_LAN_SINGLE gave 0 interfaces.\n"},
       "quillar-profile: EMPTY reports no network interface, so every channel of the sensor shows 0\n"},
      {"a failed call shows the sensor's error text",
       {"ERR2", "MODE=Mervesk"},
       {{kRun + "\\ERR2.P00", profile("ERR2", "100", "saperr", "12")}},
       1,
       {"Logged on.\nThe call of GET_LAN_SINGLE failed: "},
       "quillar-profile: the call of GET_LAN_SINGLE on ERR2 failed, so the sensor reports \"Error "},
      {"an item that names no channel",
       {"PRD", "MODE=Mervesk,ITEM=In-Packet/Sec"},
       {{kRun + "\\Orvanta.Prf", "# Gsng: any key     PRD.P00#\r\n"},
        {kRun + "\\PRD.P00", profile("BIN", "100", "sapbin", "00")}},
       1,
       {"Item: In-Packet/Sec\nSystems: PRD.P00\n\nSystem PRD.P00:\n", "Logged on.\n"},
       "quillar-profile: the item \"In-Packet/Sec\" is none of the six channels"},
      {"a good item reports each system's channel",
       {"PRD", "MODE=Mervesk,ITEM=Out-Packets/Sec"},
       {{kRun + "\\Orvanta.Prf", "# Gsng: any key     PRD.P00#QAS.P00#\r\n"},
        {kRun + "\\PRD.P00", profile("BIN", "100", "sapbin", "00")},
        {kRun + "\\QAS.P00", profile("QAS", "100", "sapqas", "01")}},
       0,
       {"The sensor reports: PRD.P00 5568\n", "The sensor reports: QAS.P00 2000\n"},
       ""},
      {"a logon by destination file",
       {"QAS", "MODE=Mervesk"},
       {{kRun + "\\QAS.P00", profile("QAS", "100", "nohost", "99")},
        {kRun + "\\SapRfc.QAS", "DEST=QAS\r\nTYPE=A\r\nASHOST=sapqas\r\nSYSNR=01\r\n"}},
       0,
       {"Logon: destination QAS, client 100, user RFCUSER, language D, to the server that SapRfc.ini names for the "
        "destination (by the destination file SapRfc.QAS); the password is not shown\nLogged on.\n"},
       ""},
      {"a hang is given up at the deadline",
       {"HANG", "MODE=Mervesk,DEADLINE=2"},
       {{kRun + "\\HANG.P00", profile("HANG", "100", "saphang", "50")}},
       1,
       {"No answer: the logon did not return within 2 seconds.\n"},
       "quillar-profile: SAP system HANG did not answer within 2 seconds (the logon); check that the host is up "
       "and reachable from this computer, or raise ,DEADLINE=\n"},
      {"a blank after a logon value, as check names it, and the logon's advice points to it",
       {"PRD", "MODE=Mervesk"},
       {{kRun + "\\PRD.P00", bin_profile_with("Hostname", "Hostname...: sapbin ")}},
       1,
       {"Logon: destination BIN, client 100, user RFCUSER, language E, host sapbin , system number 00"},
       "quillar-profile: PRD.P00, line 7, Hostname...: \"sapbin \" ends with a blank, which the logon sends as "
       "part of the value; write: Hostname...: sapbin\n"
       "quillar-profile: the logon to BIN failed, so the sensor reports \"Error 1011: RFC-Open for BIN failed !\": "
       "partner not reached (host sapbin , system number 0",
       true,
       "; first mend the lines of PRD.P00 named above\n"},
      {"blanks after the stored password: the sensor's Error 1004, with the line at fault",
       {"PRD", "MODE=Mervesk"},
       {{kRun + "\\PRD.P00",
         bin_profile_with("Password", stored_password.substr(0, stored_password.find('\r')) + "  ")}},
       2,
       {},
       "quillar-profile: warning: PRD.P00, line 4 ends in a blank, which the sensor reads as part of the value\n"
       "quillar-profile: the sensor stops with \"Error 1004: Invalid Password in Profile PRD.P00 found...\": "
       "PRD.P00, line 4, Password...: 26 characters, the value must have 24\n"},
      {"the stand-in without any systems refuses, and the profile is not blamed",
       {"PRD", "MODE=Mervesk"},
       {{kRun + "\\PRD.P00", profile("BIN", "100", "sapbin", "00")}},
       1,
       {"RFC library: " + library + ", Quillar's stand-in for trials (not SAP's library; it reaches only the systems "
        "of RfcSim.ini)",
        "The logon failed: Quillar's stand-in for trials, not SAP's " + library},
       "quillar-profile: the logon to BIN failed, so the sensor reports \"Error 1011: RFC-Open for BIN failed !\": "
       "Quillar's stand-in for trials, not SAP's " + library + ", which belongs in its place on a probe; it reaches "
       "only the systems of RfcSim.ini and found none in ",
       false,
       "; PRD.P00 is not at fault: the RFC library is Quillar's stand-in for trials, which reaches only the systems "
       "of RfcSim.ini, and " + kRun + "\\ holds none; put SAP's " + library + " in its place"},
      {"the sensor would stop before it logs on",
       {"GONE", "MODE=Mervesk"},
       {},
       2,
       {},
       "quillar-profile: the sensor stops with \"Error 1002: Profile GONE.P00 is missing...\"; quillar-profile "
       "locate tells where it looks\n"},
  };
  for (const Case& c : cases) {
    if (c.with_landscape) host().write_file(kRun + "\\RfcSim.ini", kLandscape);
    for (const auto& [path, content] : c.files) host().write_file(path, content);
    std::vector<std::string> arguments = {"test"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    ProcessResult result = host().run(arguments, kRun, "", SensorHost::Program::kProfileTool);
    EXPECT_EQ(result.exit_code, c.expected_exit) << c.name << "\n" << result.standard_output << result.standard_error;
    std::size_t at = 0;
    for (const std::string& part : c.shown) {
      const std::size_t found = result.standard_output.find(host().console_form(part), at);
      EXPECT_NE(found, std::string::npos) << c.name << ": no\n" << part << "\nin\n" << result.standard_output;
      if (found != std::string::npos) at = found + part.size();
    }
    EXPECT_EQ(result.standard_error.rfind(host().console_form(c.what_to_fix), 0), 0u)
        << c.name << ":\n" << result.standard_error;
    EXPECT_NE(result.standard_error.find(host().console_form(c.advice)), std::string::npos)
        << c.name << ":\n" << result.standard_error;
    if (c.what_to_fix.empty()) {
      EXPECT_EQ(result.standard_error, "") << c.name;
    }
    for (const std::string& output : {result.standard_output, result.standard_error}) {
      EXPECT_EQ(output.find("Secret#1"), std::string::npos) << c.name;
      EXPECT_EQ(output.find("SECRET#1"), std::string::npos) << c.name;
    }
    host().clear_files();
  }
}

// A host that never answers: without options the test waits as long as
// PRTG would wait for the sensor, and an administrator who takes its output
// into a pipe sees every line known before the hang while it waits, as
// when it is ended then; with ,DEADLINE= it ends by itself at the deadline.
TEST_F(LogonTestEndToEnd, ShowsWhatItKnowsBeforeAHangAndEndsAtItsBound) {
  host().write_file(kRun + "\\RfcSim.ini", kLandscape);
  host().write_file(kRun + "\\HANG.P00", profile("HANG", "100", "saphang", "50"));
  const std::string before_the_hang =
      "Bound: 60 seconds, PRTG's default timeout for a sensor; the sensor itself is not bounded without ,DEADLINE= "
      "or ,PARALLEL=, and PRTG ends it then without values.\nLogon: destination HANG, client 100, user RFCUSER, "
      "language E, host saphang, system number 50; the password is not shown\n";
  const int ended_after_ms = host().under_wine() ? 15000 : 3000;
  // Into a pipe, and natively into files that a shell opens for it.
  std::vector<ProcessResult> hung = {host().run_program(host().profile_tool_path(), {"test", "HANG", "MODE=Mervesk"},
                                                        kRun, "", ended_after_ms)};
  if (!host().under_wine()) {
    host().run_program("/bin/sh",
                       {"-c", "exec " + shell_quoted(host().profile_tool_path()) +
                                  " test HANG MODE=Mervesk > test.out 2> test.err"},
                       kRun, "", ended_after_ms);
    hung.push_back(ProcessResult{read_local(host().local_path(kRun + "\\test.out")),
                                 read_local(host().local_path(kRun + "\\test.err")), -1});
  }
  for (const ProcessResult& ended : hung) {
    EXPECT_NE(ended.standard_output.find(host().console_form("Profile: " + kRun + "\\HANG.P00\n")),
              std::string::npos)
        << ended.standard_output;
    EXPECT_NE(ended.standard_output.find(host().console_form(before_the_hang)), std::string::npos)
        << ended.standard_output;
    EXPECT_EQ(ended.standard_output.find("No answer"), std::string::npos) << ended.standard_output;
    EXPECT_EQ(ended.standard_error, "");
  }

  const auto begun = std::chrono::steady_clock::now();
  ProcessResult bounded =
      host().run({"test", "HANG", "MODE=Mervesk,DEADLINE=2"}, kRun, "", SensorHost::Program::kProfileTool);
  const auto took = std::chrono::steady_clock::now() - begun;
  EXPECT_GE(took, std::chrono::seconds(2));
  EXPECT_LT(took, std::chrono::seconds(host().under_wine() ? 15 : 5));
  EXPECT_EQ(bounded.exit_code, 1) << bounded.standard_output << bounded.standard_error;
  EXPECT_NE(bounded.standard_output.find(
                host().console_form("Bound: 2 seconds, the sensor's ,DEADLINE= for one system.\nLogon: destination "
                                    "HANG")),
            std::string::npos)
      << bounded.standard_output;
}

// A working directory that the sensor cannot write in: the sensor names each
// file it cannot write there, and the test names the destination file's
// working copy as what keeps the logon from being tried, not the profile.
TEST_F(LogonTestEndToEnd, NamesTheFilesThatAReadOnlyWorkingDirectoryRefuses) {
  if (host().under_wine()) GTEST_SKIP() << "a POSIX mount namespace";
  host().write_file(kRun + "\\RfcSim.ini", kLandscape);
  host().write_file(kRun + "\\QAS.P00", profile("QAS", "100", "nohost", "99"));
  host().write_file(kRun + "\\SapRfc.QAS", "DEST=QAS\r\nTYPE=A\r\nASHOST=sapqas\r\nSYSNR=01\r\n");
  const std::string folder = shell_quoted(host().local_path(kRun).string());
  const std::string read_only =
      "mount --bind " + folder + " " + folder + " && mount -o remount,bind,ro " + folder + " && cd " + folder;
  const std::string unwritable = " in " + kRun + "\\ cannot be written: Read-only file system\n";

  std::optional<ProcessResult> sensor =
      run_in_own_mounts(read_only, host().sensor_path(), {"QAS", "MODE=Mervesk,SYSLOG"}, kRun);
  if (!sensor) GTEST_SKIP() << "this machine gives no mount namespace";
  EXPECT_NE(sensor->standard_error.find("Quillar: Quillar.log" + unwritable), std::string::npos)
      << sensor->standard_error;
  EXPECT_NE(sensor->standard_error.find("Quillar: SapRfc.ini" + unwritable), std::string::npos)
      << sensor->standard_error;
  EXPECT_NE(sensor->standard_output.find("Error 1011: RFC-Open for QAS failed !"), std::string::npos)
      << sensor->standard_output;

  std::optional<ProcessResult> test =
      run_in_own_mounts(read_only, host().profile_tool_path(), {"test", "QAS", "MODE=Mervesk,SYSLOG"}, kRun);
  ASSERT_TRUE(test.has_value());
  EXPECT_EQ(test->exit_code, 1);
  EXPECT_NE(test->standard_output.find("The logon was not tried: SapRfc.ini" + unwritable), std::string::npos)
      << test->standard_output;
  EXPECT_NE(test->standard_output.find("No log: with ,SYSLOG the sensor writes none, Quillar.log" + unwritable),
            std::string::npos)
      << test->standard_output;
  EXPECT_NE(test->standard_error.find("Quillar: Quillar.log" + unwritable), std::string::npos)
      << test->standard_error;
  EXPECT_NE(test->standard_error.find(
                "quillar-profile: the logon to QAS was not tried, so the sensor reports \"Error 1011: RFC-Open for QAS "
                "failed !\": the library takes the destination file SapRfc.QAS as SapRfc.ini in " + kRun +
                "\\, which cannot be written (Read-only file system); let the sensor's user write there, the "
                "profile is not at fault\n"),
            std::string::npos)
      << test->standard_error;
  EXPECT_EQ(test->standard_error.find("correct the logon"), std::string::npos) << test->standard_error;
}

// A test leaves the library's trace where the sensor would look for it, and
// changes nothing of the profile.
TEST_F(LogonTestEndToEnd, LeavesTheTraceFileAndTheProfileAlone) {
  const std::string stored = profile("DEV", "100", "sapdev", "02");
  host().write_file(kRun + "\\RfcSim.ini", kLandscape);
  host().write_file(kRun + "\\DEV.P00", stored);
  ProcessResult result = host().run({"test", "DEV", "MODE=Mervesk"}, kRun, "", SensorHost::Program::kProfileTool);
  EXPECT_EQ(result.exit_code, 1);
  std::ifstream trace(host().local_path(kRun + "\\Dev_Rfc.Trc"), std::ios::binary);
  std::string trace_text((std::istreambuf_iterator<char>(trace)), std::istreambuf_iterator<char>());
  EXPECT_NE(trace_text.find("Name or password is incorrect"), std::string::npos);
  std::ifstream kept(host().local_path(kRun + "\\DEV.P00"), std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>()), stored);
}

// The library writes its trace in the working directory whatever the
// options, so a test refuses at once, as the sensor in one process does,
// where it would wait on a FIFO or write through a hard link. Wine shows a
// POSIX hard link as one file of two links, but no FIFO.
TEST_F(LogonTestEndToEnd, RefusesATraceFileThatIsNoPlainFile) {
  const std::string victim = "C:\\e2e\\victim.trc";
  const std::filesystem::path trace = host().local_path(kRun + "\\Dev_Rfc.Trc");
  const struct {
    const char* name;
    std::function<void()> place;
    bool under_wine;
  } traps[] = {
      {"a FIFO", [&] { ASSERT_EQ(::mkfifo(trace.c_str(), 0600), 0); }, false},
      {"a hard link", [&] { std::filesystem::create_hard_link(host().local_path(victim), trace); }, true},
  };
  for (const auto& trap : traps) {
    if (host().under_wine() && !trap.under_wine) continue;
    for (const char* options : {"MODE=Mervesk", "MODE=Mervesk,DEADLINE=2"}) {
      const std::string shown = std::string(trap.name) + ", " + options;
      host().write_file(kRun + "\\RfcSim.ini", kLandscape);
      host().write_file(kRun + "\\HANG.P00", profile("HANG", "100", "saphang", "50"));
      host().write_file(victim, "victim's trace\n");
      trap.place();
      const auto begun = std::chrono::steady_clock::now();
      ProcessResult result = host().run({"test", "HANG", options}, kRun, "", SensorHost::Program::kProfileTool);
      // HANG's logon never returns: only a refusal before it ends this soon.
      EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(host().under_wine() ? 10 : 2))
          << shown;
      EXPECT_EQ(result.exit_code, 2) << shown;
      EXPECT_EQ(result.standard_output, host().console_form("Profile: " + kRun + "\\HANG.P00\n")) << shown;
      EXPECT_EQ(result.standard_error,
                host().console_form("quillar-profile: Error 1065: Dev_Rfc.Trc in " + kRun +
                                    "\\ is no plain file of its own (a link, FIFO or folder), remove it, the RFC "
                                    "library writes its trace there...\n"))
          << shown;
      std::ifstream kept(host().local_path(victim), std::ios::binary);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "victim's trace\n") << shown;
      host().clear_files();
    }
  }
}

}  // namespace
}  // namespace quillar::e2e
