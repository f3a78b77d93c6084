// Child runs under hostile and ordinary real-world conditions: planted
// links, the deadline race, an ignored SIGCHLD, a killed parent, sensors
// side by side, files the library leaves, every profile path form and the
// whole-run bound. Cases that need a POSIX shell or see POSIX processes run
// natively only.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "e2e/e2e_support.h"

namespace quillar::e2e {
namespace {

const std::string kRun = "C:\\e2e\\run";
const std::string kSensors = "C:\\e2e\\ExeXml\\";

const std::string kLandscape = landscape_system("BIN", "sapbin", "00", "lan = eth0 6789 5556 0 0 0 12345\n") +
                               landscape_system("QAS", "sapqas", "01", "lan = eth0 1000 2000 7 8 9 3000\n") +
                               landscape_system("ERR1", "saperr", "11", "receive = failure\n") +
                               landscape_system("HANG", "saphang", "50", "hang = RfcOpen\n") +
                               landscape_system("LEAVE", "sapleave", "60", "leave = rfc_own.trc\nlan = eth0 1 2 3 4 5 6\n") +
                               // Logon and call take about a second together: the deadline of one
                               // second passes just before the end, just after it, or in between.
                               landscape_system("NEAR", "sapnear", "70", "delay = 490\nlan = eth0 1 2 3 4 5 6\n") +
                               // Writes a file of the working directory a second and a half
                               // into its logon: on a frozen disk, that write never returns.
                               landscape_system("STUCK", "sapstuck", "80",
                                                "delay = 1500\nleave = stuck.trc\nlan = eth0 1 2 3 4 5 6\n");

// Every entry of a folder, by name: a file's content, "<folder>" or
// "<link to TARGET>".
std::map<std::string, std::string> folder_state(const std::filesystem::path& folder) {
  std::map<std::string, std::string> state;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_symlink()) {
      state[name] = "<link to " + std::filesystem::read_symlink(entry.path()).string() + ">";
    } else if (entry.is_directory()) {
      state[name] = "<folder>";
    } else {
      state[name] = read_local(entry.path());
    }
  }
  return state;
}

// The entries of the working directory that only a child run makes.
std::vector<std::string> scratch_entries() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(host().local_path(kRun))) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("Quillar.", 0) == 0 && name != "Quillar.log") names.push_back(name);
  }
  return names;
}

std::size_t count_of(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// Exactly one document, and a closed one.
bool one_closed_document(const std::string& output) {
  return count_of(output, "<Prtg>") == 1 && count_of(output, "</Prtg>") == 1 &&
         output.find("<Prtg>") < output.find("</Prtg>");
}

// Scratch folders of runs that cannot run: their numbers lie beyond every
// process number.
std::string stale_folder(int k) { return "Quillar." + std::to_string(4000000000u + static_cast<unsigned>(k)) + ".ab"; }

// Leaves a file in the stale folder k as a killed run would have: in a
// folder that only its user can use.
void write_stale(int k, const std::string& name, const std::string& content) {
  host().write_file(kRun + "\\" + stale_folder(k) + "\\" + name, content);
  std::filesystem::permissions(host().local_path(kRun + "\\" + stale_folder(k)), std::filesystem::perms::owner_all);
}

// Whether the tests themselves, and so the sensor they run, carry
// AddressSanitizer, which reserves more address space than any limit allows.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

class ChildRunsEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    host().write_file("C:\\PRTG_Path.Txt", "C:\\e2e\\ExeXml\\\r\n");
    host().write_file(kRun + "\\RfcSim.ini", kLandscape);
    host().write_file(kSensors + "PRD.P00", profile("BIN", "100", "sapbin", "00"));
    host().write_file(kSensors + "QAS.P00", profile("QAS", "100", "sapqas", "01"));
    host().write_file(kSensors + "ERR1.P00", profile("ERR1", "100", "saperr", "11"));
    host().write_file(kSensors + "HANG.P00", profile("HANG", "100", "saphang", "50"));
    host().write_file(kSensors + "LEAVE.P00", profile("LEAVE", "100", "sapleave", "60"));
    host().write_file(kSensors + "NEAR.P00", profile("NEAR", "100", "sapnear", "70"));
    host().write_file(kSensors + "STUCK.P00", profile("STUCK", "100", "sapstuck", "80"));
  }
  void TearDown() override { host().clear_files(); }

  void use_listing(const std::string& listing) {
    host().write_file(kSensors + "Orvanta.Prf", "# Gsng: ITEM form   " + listing + "\r\n");
  }

  void remove_run_files() {
    for (const char* name : {"Quillar.log", "Dev_Rfc.Trc", "SapRfc.ini", "rfc_own.trc"}) {
      std::filesystem::remove(host().local_path(kRun + "\\" + name));
    }
  }

  // The sensor started by a POSIX shell that first runs `prelude`, in the
  // shell's own process, whose number the sensor then has.
  ProcessResult run_after(const std::string& prelude, const std::vector<std::string>& arguments) {
    std::string script = prelude + "; exec " + shell_quoted(host().sensor_path());
    for (const std::string& argument : arguments) script += " " + shell_quoted(argument);
    return host().run_program("/bin/sh", {"-c", script}, kRun);
  }

  // Runs the sensor in a mount namespace of its own, after `prelude` (as
  // root there). Nothing when this machine gives no such namespace.
  std::optional<ProcessResult> run_in_own_mounts(const std::string& prelude, const std::vector<std::string>& arguments) {
    return e2e::run_in_own_mounts(prelude, host().sensor_path(), arguments, kRun);
  }

  // Runs `count` sensors at once in the working directory.
  std::vector<ProcessResult> run_side_by_side(const std::vector<std::string>& arguments, int count) {
    std::vector<ProcessResult> results(static_cast<std::size_t>(count));
    std::vector<std::thread> runs;
    for (ProcessResult& result : results) {
      runs.emplace_back([&result, &arguments] { result = host().run(arguments, kRun); });
    }
    for (std::thread& run : runs) run.join();
    return results;
  }
};

// Links at the names a run once used, and at names of stale scratch
// folders, point at a victim folder: its files stay as they are, the links
// stay, and the output is that of the run without children.
TEST_F(ChildRunsEndToEnd, PlantedLinksNeitherLoseFilesNorRedirectTheRun) {
  if (host().under_wine()) GTEST_SKIP() << "wine sees a POSIX link as the folder it points at";
  const std::string victim = "C:\\e2e\\victim";
  for (const char* name : {"Quillar.log", "Dev_Rfc.Trc", "SapRfc.ini", "RfcSim.ini", "Quillar.records", "own.txt"}) {
    host().write_file(victim + "\\" + name, std::string("victim's ") + name + "\n");
  }
  const std::map<std::string, std::string> victim_files = folder_state(host().local_path(victim));
  const std::string target = host().local_path(victim).string();
  const std::string plant = "for n in 1 2 3 4 0000000000000001 ffffffffffffffff; do ln -s " + shell_quoted(target) +
                            " Quillar.$$.$n; done; ln -s " + shell_quoted(target) + " Quillar.999999.1; ln -s " +
                            shell_quoted(target) + " Quillar.2.abc";
  use_listing("PRD.P00#ERR1.P00#QAS.P00#");
  const struct {
    std::vector<std::string> plain;
    const char* children;
  } cases[] = {
      {{"PRD", "ITEM=In-Errors,SYSLOG"}, ",PARALLEL=3"},
      {{"PRD", "ITEM=Packets/Sec"}, ",DEADLINE=5"},
      {{"PRD", "LAN=eth0,SYSLOG"}, ",DEADLINE=5"},
      {{"ERR1", "LAN=eth0"}, ",PARALLEL=1"},
  };
  for (const auto& c : cases) {
    remove_run_files();
    ProcessResult plain = host().run(c.plain, kRun);
    std::vector<std::string> arguments = c.plain;
    arguments[1] += c.children;
    ProcessResult planted = run_after(plant, arguments);
    const std::string shown = testing::PrintToString(arguments);
    EXPECT_EQ(planted.standard_output, plain.standard_output) << shown;
    EXPECT_EQ(planted.exit_code, plain.exit_code) << shown;
    EXPECT_EQ(folder_state(host().local_path(victim)), victim_files) << shown;
    std::size_t links = 0;
    for (const auto& entry : std::filesystem::directory_iterator(host().local_path(kRun))) {
      if (entry.is_symlink()) {
        ++links;
        std::filesystem::remove(entry.path());
      } else {
        EXPECT_FALSE(entry.is_directory()) << "left behind: " << entry.path() << " " << shown;
      }
    }
    EXPECT_EQ(links, 8u) << shown;
  }
}

// A child that ends just after its deadline has passed: whichever way the
// race goes, each run prints exactly one well-formed document.
TEST_F(ChildRunsEndToEnd, TheDeadlineRaceGivesExactlyOneDocument) {
  const std::vector<std::string> arguments = {kSensors + "NEAR", "MODE=Mervesk,DEADLINE=1"};
  const std::string answered = host().run({kSensors + "NEAR", "MODE=Mervesk"}, kRun).standard_output;
  const std::string too_slow =
      host().console_form(error_document("Error 1061: SAP system NEAR did not answer within 1 seconds"));
  for (int round = 0; round < 2; ++round) {
    for (const ProcessResult& result : run_side_by_side(arguments, 8)) {
      if (result.exit_code == 0) {
        EXPECT_EQ(result.standard_output, answered);
      } else {
        EXPECT_EQ(result.standard_output, too_slow);
        EXPECT_EQ(result.exit_code, 2);
      }
    }
  }
  EXPECT_EQ(scratch_entries(), std::vector<std::string>{});
}

// An ignored SIGCHLD, inherited from whoever started the sensor, changes
// nothing: children are still seen to end.
TEST_F(ChildRunsEndToEnd, AnIgnoredChildSignalChangesNothing) {
  if (host().under_wine()) GTEST_SKIP() << "POSIX signals";
  use_listing("PRD.P00#QAS.P00#ERR1.P00#");
  const struct {
    std::vector<std::string> plain;
    const char* children;
  } cases[] = {
      {{"PRD", "LAN=eth0"}, ",DEADLINE=3"},
      {{"ERR1", "LAN=eth0"}, ",DEADLINE=3"},
      {{"PRD", "ITEM=In-Errors"}, ",PARALLEL=2"},
      {{"PRD", "ITEM=Packets/Sec,SYSLOG"}, ",DEADLINE=5"},
  };
  for (const auto& c : cases) {
    remove_run_files();
    ProcessResult plain = host().run(c.plain, kRun);
    std::vector<std::string> arguments = c.plain;
    arguments[1] += c.children;
    ProcessResult ignoring = run_after("trap '' CHLD", arguments);
    const std::string shown = testing::PrintToString(arguments);
    EXPECT_EQ(ignoring.standard_output, plain.standard_output) << shown;
    EXPECT_EQ(ignoring.exit_code, plain.exit_code) << shown;
    EXPECT_EQ(count_of(read_local(host().local_path(kRun + "\\Quillar.log")), "Deadline passed"), 0u) << shown;
  }
}

// PRTG kills a run at its timeout: its children die with it, and the next
// run clears the scratch folders it left, keeping the log lines of the
// children that had finished.
TEST_F(ChildRunsEndToEnd, TheRunAfterAKilledOneLeavesNoFolderBehind) {
  if (host().under_wine()) GTEST_SKIP() << "killing wine does not kill the program it runs";
  use_listing("HANG.P00#PRD.P00#HANG.P00#");
  host().run_killed_after({"PRD", "ITEM=In-Errors,PARALLEL=3,SYSLOG"}, kRun, 1000);
  EXPECT_FALSE(scratch_entries().empty()) << "the killed run leaves its scratch folders";
  use_listing("PRD.P00#QAS.P00#");
  ProcessResult plain = host().run({"PRD", "ITEM=In-Errors"}, kRun);
  ProcessResult next = host().run({"PRD", "ITEM=In-Errors,PARALLEL=2,SYSLOG"}, kRun);
  EXPECT_EQ(next.standard_output, plain.standard_output);
  EXPECT_EQ(scratch_entries(), std::vector<std::string>{});
  // PRD of the killed run, then PRD and QAS of the next.
  EXPECT_EQ(count_of(read_local(host().local_path(kRun + "\\Quillar.log")), "RfcOpen called"), 3u);
}

// Sensors side by side in one working directory keep every trace block and
// every log line of each other.
TEST_F(ChildRunsEndToEnd, SensorsSideBySideKeepEveryTraceBlock) {
  const std::size_t sensors = 6;
  auto lines_left = [] {
    return std::map<std::string, std::size_t>{
        {"trace blocks", count_of(read_local(host().local_path(kRun + "\\Dev_Rfc.Trc")), "**** ERROR file opened at")},
        {"log lines", count_of(read_local(host().local_path(kRun + "\\Quillar.log")), "\n")}};
  };
  remove_run_files();
  host().run({"ERR1", "LAN=eth0,SYSLOG"}, kRun);
  std::map<std::string, std::size_t> expected = lines_left();
  for (auto& [what, count] : expected) count *= sensors;
  for (const char* options : {"LAN=eth0,SYSLOG,DEADLINE=5", "LAN=eth0,SYSLOG,PARALLEL=1"}) {
    remove_run_files();
    for (const ProcessResult& result : run_side_by_side({"ERR1", options}, static_cast<int>(sensors))) {
      EXPECT_EQ(result.exit_code, 2) << options;
    }
    EXPECT_EQ(lines_left(), expected) << options;
  }
  EXPECT_EQ(scratch_entries(), std::vector<std::string>{});
}

// A file that the RFC library writes in a child's scratch folder ends where a
// run in one process would have left it.
TEST_F(ChildRunsEndToEnd, FilesTheLibraryLeavesEndInTheWorkingDirectory) {
  if (behind_netweaver_bridge()) GTEST_SKIP() << "the NetWeaver stand-in leaves no files";
  use_listing("LEAVE.P00#PRD.P00#LEAVE.P00#");
  const struct {
    std::vector<std::string> plain;
    const char* children;
  } cases[] = {
      {{"PRD", "ITEM=In-Errors"}, ",PARALLEL=3"},
      {{kSensors + "LEAVE", "MODE=Mervesk"}, ",DEADLINE=5"},
  };
  for (const auto& c : cases) {
    remove_run_files();
    ProcessResult plain = host().run(c.plain, kRun);
    const std::string left = read_local(host().local_path(kRun + "\\rfc_own.trc"));
    remove_run_files();
    std::vector<std::string> arguments = c.plain;
    arguments[1] += c.children;
    ProcessResult children = host().run(arguments, kRun);
    const std::string shown = testing::PrintToString(arguments);
    EXPECT_EQ(children.standard_output, plain.standard_output) << shown;
    EXPECT_EQ(read_local(host().local_path(kRun + "\\rfc_own.trc")), left) << shown;
    EXPECT_EQ(scratch_entries(), std::vector<std::string>{}) << shown;
  }
}

// Every form of a profile path that works without children works with them,
// with the same document.
TEST_F(ChildRunsEndToEnd, EveryProfilePathFormWorksInAChild) {
  host().write_file(kRun + "\\Custom Sensors\\EXEXML\\PRD.P00", profile("BIN", "100", "sapbin", "00"));
  host().write_file(kRun + "\\PRD.P00", profile("BIN", "100", "sapbin", "00"));
  use_listing("PRD.P00#QAS.P00#");
  const std::vector<std::string> cases[] = {
      {"C:\\e2e\\ExeXml\\PRD", "MODE=Mervesk"},
      {"C:/e2e/ExeXml/PRD", "MODE=Mervesk"},
      {"/e2e/ExeXml/PRD", "MODE=Mervesk"},
      {"\\e2e\\ExeXml\\PRD", "MODE=Mervesk"},
      {"C:..\\ExeXml\\PRD", "MODE=Mervesk"},
      {"..\\ExeXml\\PRD", "MODE=Mervesk"},
      {"C:Custom Sensors\\EXEXML\\PRD", "MODE=Mervesk"},
      {"PRD", "MODE=Mervesk"},
      {"..\\ExeXml\\PRD", "@"},
      {"PRD", "LAN=eth0"},
      {"..\\ExeXml\\PRD", "MODE=Mervesk ITEM=In-Errors"},
      {"C:Custom Sensors\\EXEXML\\GLOBAL", "ITEM=In-Errors @"},
  };
  for (const auto& plain : cases) {
    for (const char* children : {",DEADLINE=5", ",PARALLEL=2"}) {
      ProcessResult one = host().run(plain, kRun);
      std::vector<std::string> arguments = plain;
      arguments[1] += children;
      ProcessResult child = host().run(arguments, kRun);
      const std::string shown = testing::PrintToString(arguments);
      EXPECT_EQ(with_times_masked(child.standard_output), with_times_masked(one.standard_output))
          << shown;
      EXPECT_EQ(child.exit_code, one.exit_code) << shown;
    }
  }
}

// With ,PARALLEL= alone a run still ends at its bound: the system that hangs
// counts as failed, and the summary is printed.
TEST_F(ChildRunsEndToEnd, TheRunsBoundEndsAParallelRunWithAHang) {
  use_listing("PRD.P00#HANG.P00#QAS.P00#HANG.P00#");
  ProcessResult global = host().run({"PRD", "ITEM=In-Errors,PARALLEL=2,RUNTIME=2"}, kRun);
  EXPECT_EQ(global.exit_code, 0);
  const std::string output = global.standard_output;
  EXPECT_NE(output.find("<Result><Channel>PRD.P00</Channel>"), std::string::npos) << output;
  EXPECT_NE(output.find("<Result><Channel>QAS.P00</Channel>"), std::string::npos) << output;
  EXPECT_NE(output.find("NoSystems=4, Processed=2, Failed=2"), std::string::npos) << output;
  ProcessResult single = host().run({kSensors + "HANG", "MODE=Mervesk,PARALLEL=1,RUNTIME=1"}, kRun);
  EXPECT_EQ(single.standard_output,
            host().console_form(error_document("Error 1061: SAP system HANG did not answer within 1 seconds")));
  EXPECT_EQ(single.exit_code, 2);
  EXPECT_EQ(scratch_entries(), std::vector<std::string>{});
}

// Whether a name is that of a run's own copy of its destination file:
// "SapRfc.", digits, ".", hexadecimal digits, ".ini".
bool is_own_copy_name(const std::string& name) {
  static const std::regex kOwnCopy("saprfc\\.[0-9]+\\.[0-9a-f]+\\.ini", std::regex::icase);
  return std::regex_match(name, kOwnCopy);
}

// PRTG starts the sensors of a probe together in one working directory.
// Sensors that log on by destination files of different destinations each
// log on with their own destination, every time; no run's own copy of its
// destination file stays behind, and SapRfc.ini holds one destination file
// whole.
TEST_F(ChildRunsEndToEnd, SensorsOfDifferentDestinationsStartedTogetherEachLogOnWithTheirOwn) {
  const struct {
    const char* sensor;
    const char* destination_file;
    std::string system;
  } sensors[] = {
      {"DBIN", "DEST=DBIN\r\nTYPE=A\r\nASHOST=sapbin\r\nSYSNR=00\r\n", ""},
      {"DQAS", "DEST=DQAS\r\nTYPE=A\r\nASHOST=sapqas\r\nSYSNR=01\r\n", ""},
      {"DDEV", "DEST=DDEV\r\nTYPE=A\r\nASHOST=sapdev\r\nSYSNR=02\r\n",
       landscape_system("DEV", "sapdev", "02", "lan = eth0 11 22 0 0 0 33\n")},
      {"DTST", "DEST=DTST\r\nTYPE=A\r\nASHOST=saptst\r\nSYSNR=03\r\n",
       landscape_system("TST", "saptst", "03", "lan = eth0 44 55 1 0 0 66\n")},
  };
  std::string landscape = kLandscape;
  for (const auto& s : sensors) landscape += s.system;
  host().write_file(kRun + "\\RfcSim.ini", landscape);
  std::set<std::string> destination_files;
  std::vector<std::vector<std::string>> arguments;
  std::vector<std::string> alone;
  for (const auto& s : sensors) {
    // The profile names no server that answers: only the destination file
    // leads to one.
    host().write_file(kSensors + s.sensor + ".P00", profile(s.sensor, "100", "nowhere", "99"));
    host().write_file(kRun + "\\SapRfc." + s.sensor, s.destination_file);
    destination_files.insert(s.destination_file);
    arguments.push_back({s.sensor, "LAN=eth0"});
    const ProcessResult result = host().run(arguments.back(), kRun);
    EXPECT_EQ(result.exit_code, 0) << s.sensor << ": " << result.standard_output;
    alone.push_back(result.standard_output);
  }
  // A program takes several times as long to start under wine.
  const int rounds = host().under_wine() ? 20 : 100;
  for (std::size_t together = 2; together <= arguments.size(); together += 2) {
    int failed = 0;
    for (int round = 0; round < rounds; ++round) {
      std::vector<ProcessResult> results(together);
      std::vector<std::thread> runs;
      for (std::size_t k = 0; k < together; ++k) {
        runs.emplace_back([&results, &arguments, k] { results[k] = host().run(arguments[k], kRun); });
      }
      for (std::thread& run : runs) run.join();
      for (std::size_t k = 0; k < together; ++k) {
        if (results[k].standard_output != alone[k] || results[k].exit_code != 0) {
          ++failed;
          ADD_FAILURE() << together << " together, round " << round << ", " << arguments[k][0] << ": "
                        << results[k].standard_output;
        }
      }
      if (failed > 3) break;
    }
    std::vector<std::string> own_copies;
    for (const auto& entry : std::filesystem::directory_iterator(host().local_path(kRun))) {
      const std::string name = entry.path().filename().string();
      if (is_own_copy_name(name)) own_copies.push_back(name);
    }
    EXPECT_EQ(own_copies, std::vector<std::string>{}) << together << " together";
    EXPECT_EQ(destination_files.count(read_local(host().local_path(kRun + "\\SapRfc.ini"))), 1u)
        << together << " together: " << read_local(host().local_path(kRun + "\\SapRfc.ini"));
  }
}

// Hostile working directories, under runs with children and in one process.
// Each run ends within its bound with exactly one closed document, changes
// nothing outside the working directory, and carries each stale line once or
// never (into a link or FIFO it refuses), never twice. Wine shows a POSIX
// hard link as one file of two links, but POSIX links, FIFOs and names that
// Windows could never show otherwise, so only the hard links run under wine.
TEST_F(ChildRunsEndToEnd, HostileWorkingDirectoriesNeitherRedirectNorHangTheRun) {
  const std::string victim = "C:\\e2e\\victim";
  const std::string victim_folder = host().local_path(victim).string();
  const std::string run_folder = host().local_path(kRun).string();
  use_listing("PRD.P00#QAS.P00#");
  host().write_file(kRun + "\\SapRfc.QAS", "DEST=QAS\r\nTYPE=A\r\nASHOST=sapqas\r\nSYSNR=01\r\n");
  const std::string answered = host().run({"PRD", "LAN=eth0"}, kRun).standard_output;
  const std::string global = host().run({"PRD", "ITEM=In-Errors"}, kRun).standard_output;
  const std::string logon_failed = host().console_form(error_document("Error 1011: RFC-Open for QAS failed !"));
  const std::string trace_refused = host().console_form(
      error_document("Error 1065: Dev_Rfc.Trc in C:\\e2e\\run\\ is no plain file of its own (a link, FIFO or "
                     "folder), remove it, the RFC library writes its trace there..."));
  const std::string by_destination_file = host().run({"QAS", "LAN=eth0"}, kRun).standard_output;
  auto stale = [&](int k, const std::string& name, const std::string& content) {
    write_stale(k, name, content);
  };
  auto link = [&](const std::string& name, const std::string& target) {
    std::filesystem::create_symlink(target, host().local_path(kRun + "\\" + name));
  };
  auto fifo = [&](const std::string& name) { ::mkfifo(host().local_path(kRun + "\\" + name).c_str(), 0600); };
  // The victim's file of that name under a second name in the working directory.
  auto hard_link = [&](const std::string& name) {
    std::filesystem::create_hard_link(victim_folder + "/" + name, host().local_path(kRun + "\\" + name));
  };
  const std::string stale_lines = "0 stale log line \n";
  const std::string stale_block = "\n**** ERROR file opened at stale\nT:0001 ======> stale block\n";
  const struct {
    const char* name;
    std::function<void()> prepare;
    std::vector<std::string> arguments;
    std::string output;
    // How often the stale lines end in the working directory's files.
    std::size_t log_lines;
    std::size_t trace_blocks;
    bool under_wine = false;
  } cases[] = {
      {"stale entries named as paths",
       [&] {
         stale(1, "Quillar.log", stale_lines);
         // Names that Windows could never show, as they stand on disk.
         for (const char* name : {"..\\..\\..\\e2e\\victim\\own.txt", "a:b"}) {
           std::ofstream(host().local_path(kRun + "\\" + stale_folder(1)) / name) << "planted\n";
         }
         std::filesystem::create_symlink("/dev/zero", host().local_path(kRun + "\\" + stale_folder(1) + "\\Dev_Rfc.Trc"));
         std::filesystem::create_symlink(victim_folder + "/own.txt",
                                         host().local_path(kRun + "\\" + stale_folder(1) + "\\rfc_lib.trc"));
       },
       {"PRD", "ITEM=In-Errors,PARALLEL=2,RUNTIME=5,SYSLOG"}, global, 1, 0},
      {"links at the log and the trace file",
       [&] {
         stale(1, "Quillar.log", stale_lines);
         stale(1, "Dev_Rfc.Trc", stale_block);
         link("Quillar.log", victim_folder + "/Quillar.log");
         link("Dev_Rfc.Trc", victim_folder + "/Dev_Rfc.Trc");
       },
       {"PRD", "ITEM=In-Errors,PARALLEL=2,RUNTIME=5,SYSLOG"}, global, 0, 0},
      // A child writes the file in its own folder, and its parent refuses to
      // carry it through the link; one process refuses to log on.
      {"a link at the destinations file",
       [&] { link("SapRfc.ini", victim_folder + "/SapRfc.ini"); },
       {"QAS", "LAN=eth0,DEADLINE=3,RUNTIME=5"}, by_destination_file, 0, 0},
      {"a link at the destinations file, in one process",
       [&] { link("SapRfc.ini", victim_folder + "/SapRfc.ini"); },
       {"QAS", "LAN=eth0"}, logon_failed, 0, 0},
      {"FIFOs at the log and the trace file",
       [&] {
         stale(1, "Quillar.log", stale_lines);
         stale(1, "Dev_Rfc.Trc", stale_block);
         fifo("Quillar.log");
         fifo("Dev_Rfc.Trc");
       },
       {"PRD", "ITEM=In-Errors,DEADLINE=3,RUNTIME=5,SYSLOG"}, global, 0, 0},
      {"a FIFO at the destinations file",
       [&] { fifo("SapRfc.ini"); },
       {"QAS", "LAN=eth0,DEADLINE=3,RUNTIME=5"}, by_destination_file, 0, 0},
      {"a FIFO at the destinations file, in one process",
       [&] { fifo("SapRfc.ini"); },
       {"QAS", "LAN=eth0"}, logon_failed, 0, 0},
      {"a FIFO and a device in a stale folder",
       [&] {
         stale(1, "Dev_Rfc.Trc", stale_block);
         ::mkfifo(host().local_path(kRun + "\\" + stale_folder(1) + "\\Quillar.log").c_str(), 0600);
         ::mkfifo(host().local_path(kRun + "\\" + stale_folder(1) + "\\SapRfc.ini").c_str(), 0600);
         std::filesystem::create_symlink("/dev", host().local_path(kRun + "\\" + stale_folder(2)));
       },
       {"PRD", "ITEM=In-Errors,PARALLEL=2,RUNTIME=5"}, global, 0, 1},
      // The library would write its trace through them, or wait on the
      // FIFO: a run in one process refuses before it works there.
      {"a link at the trace file, in one process",
       [&] { link("Dev_Rfc.Trc", victim_folder + "/Dev_Rfc.Trc"); },
       {"PRD", "LAN=eth0"}, trace_refused, 0, 0},
      {"a FIFO at the trace file, in one process",
       [&] { fifo("Dev_Rfc.Trc"); },
       {"PRD", "LAN=eth0"}, trace_refused, 0, 0},
      {"a FIFO at the trace file, in a global run in one process",
       [&] { fifo("Dev_Rfc.Trc"); },
       {"PRD", "ITEM=In-Errors,SYSLOG"}, trace_refused, 0, 0},
      {"hard links at the log and the trace file",
       [&] {
         hard_link("Quillar.log");
         hard_link("Dev_Rfc.Trc");
       },
       {"PRD", "ITEM=In-Errors,PARALLEL=2,RUNTIME=5,SYSLOG"}, global, 0, 0, true},
      {"a hard link at the log, in one process",
       [&] { hard_link("Quillar.log"); },
       {"PRD", "ITEM=In-Errors,SYSLOG"}, global, 0, 0, true},
      {"a hard link at the trace file, in one process",
       [&] { hard_link("Dev_Rfc.Trc"); },
       {"PRD", "LAN=eth0,SYSLOG"}, trace_refused, 0, 0, true},
      {"a hard link at the destinations file",
       [&] { hard_link("SapRfc.ini"); },
       {"QAS", "LAN=eth0,DEADLINE=3,RUNTIME=5"}, by_destination_file, 0, 0, true},
      {"a hard link at the destinations file, in one process",
       [&] { hard_link("SapRfc.ini"); },
       {"QAS", "LAN=eth0"}, logon_failed, 0, 0, true},
  };
  for (const auto& c : cases) {
    if (host().under_wine() && !c.under_wine) continue;
    std::filesystem::remove_all(host().local_path(victim));
    for (const char* name : {"Quillar.log", "Dev_Rfc.Trc", "SapRfc.ini", "own.txt"}) {
      host().write_file(victim + "\\" + name, std::string("victim's ") + name + "\n");
    }
    const std::map<std::string, std::string> victim_files = folder_state(host().local_path(victim));
    for (const auto& entry : std::filesystem::directory_iterator(host().local_path(kRun))) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("Quillar.", 0) == 0 || name == "Dev_Rfc.Trc" || name == "SapRfc.ini") {
        std::filesystem::remove_all(entry.path());
      }
    }
    c.prepare();
    const auto begun = std::chrono::steady_clock::now();
    ProcessResult result = host().run(c.arguments, kRun);
    const auto took = std::chrono::steady_clock::now() - begun;
    EXPECT_EQ(result.standard_output, c.output) << c.name;
    EXPECT_TRUE(one_closed_document(result.standard_output)) << c.name;
    EXPECT_LT(took, std::chrono::seconds(8)) << c.name;
    EXPECT_EQ(folder_state(host().local_path(victim)), victim_files) << c.name;
    const std::string log = read_local(host().local_path(kRun + "\\Quillar.log"));
    const std::string trace = read_local(host().local_path(kRun + "\\Dev_Rfc.Trc"));
    EXPECT_EQ(count_of(log, stale_lines), c.log_lines) << c.name;
    EXPECT_EQ(count_of(trace, "stale block"), c.trace_blocks) << c.name;
    EXPECT_FALSE(std::filesystem::exists(host().local_path("C:\\e2e\\victim\\..\\..\\..\\own.txt"))) << c.name;
  }
  (void)run_folder;
}

// A working directory where no scratch folder can be made, and a program
// file gone by the time a child is to start (an upgrade replaced it): the
// systems fail at once, saying why, and nothing runs outside the bound.
TEST_F(ChildRunsEndToEnd, WithoutAChildTheSystemsFailAtOnce) {
  if (host().under_wine()) GTEST_SKIP() << "POSIX mounts and program files";
  use_listing("PRD.P00#QAS.P00#");
  const std::string run_folder = shell_quoted(host().local_path(kRun).string());
  // The sensor starts in the read-only mount, not in the folder below it.
  const std::string read_only = "mount --bind " + run_folder + " " + run_folder + " && mount -o remount,ro,bind " +
                                run_folder + " " + run_folder + " && cd " + run_folder;
  const std::string copy = (std::filesystem::temp_directory_path() / "quillar-gone").string();
  const struct {
    const char* name;
    bool own_mounts;
    std::string prelude;
    std::string why;
  } conditions[] = {
      {"a read-only working directory", true, read_only, "no scratch folder, Read-only file system"},
      {"a program file that is gone", false,
       "cp " + shell_quoted(host().sensor_path()) + " " + shell_quoted(copy) + " && exec 3<" + shell_quoted(copy) +
           " && rm " + shell_quoted(copy),
       "no process, No such file or directory"},
  };
  for (const auto& condition : conditions) {
    auto run = [&](const std::vector<std::string>& arguments) -> std::optional<ProcessResult> {
      if (condition.own_mounts) return run_in_own_mounts(condition.prelude, arguments);
      std::string script = condition.prelude + "; exec /proc/self/fd/3";
      for (const std::string& argument : arguments) script += " " + shell_quoted(argument);
      return host().run_program("/bin/sh", {"-c", script}, kRun);
    };
    const auto begun = std::chrono::steady_clock::now();
    std::optional<ProcessResult> single = run({kSensors + "PRD", "MODE=Mervesk,DEADLINE=1,RUNTIME=2"});
    if (!single) {
      std::cout << "skipped " << condition.name << ": this machine gives no mount namespace\n";
      continue;
    }
    EXPECT_EQ(single->standard_output,
              error_document("Error 1063: SAP system BIN was not measured, no child process could be started: " +
                             condition.why))
        << condition.name;
    EXPECT_EQ(single->exit_code, 2) << condition.name;
    std::optional<ProcessResult> global = run({"PRD", "ITEM=In-Errors,DEADLINE=1,RUNTIME=2 #"});
    ASSERT_TRUE(global.has_value());
    const std::string output = with_times_masked(global->standard_output);
    EXPECT_EQ(global->exit_code, 0) << condition.name;
    EXPECT_TRUE(one_closed_document(output)) << output;
    EXPECT_NE(output.find("* hh:mm:ss Error 1063: SAP system QAS.P00 was not measured, no child process could be "
                          "started: " + condition.why + "\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("NoSystems=2, Processed=0, Failed=2"), std::string::npos) << output;
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(6)) << condition.name;
  }
  EXPECT_EQ(scratch_entries(), std::vector<std::string>{});
}

// A stale trace far larger than the memory the run may use is carried as its
// last part, never read whole.
TEST_F(ChildRunsEndToEnd, AHugeStaleTraceIsCarriedAsItsLastPart) {
  if (host().under_wine()) GTEST_SKIP() << "a POSIX address-space limit";
  if (kSanitized) GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
  use_listing("PRD.P00#QAS.P00#");
  const std::string plain = host().run({"PRD", "ITEM=In-Errors"}, kRun).standard_output;
  remove_run_files();
  const std::filesystem::path trace = host().local_path(kRun + "\\" + stale_folder(1) + "\\Dev_Rfc.Trc");
  write_stale(1, "Quillar.log", "0 stale log line \n");
  {
    std::ofstream out(trace, std::ios::binary);
    out.seekp(std::streamoff(1) << 30);
    out << "\n**** ERROR file opened at the end\nT:0001 ======> the last block\n";
  }
  ProcessResult result = run_after("ulimit -v 524288", {"PRD", "ITEM=In-Errors,PARALLEL=2,SYSLOG"});
  EXPECT_EQ(result.standard_output, plain);
  EXPECT_EQ(result.exit_code, 0);
  const std::filesystem::path carried = host().local_path(kRun + "\\Dev_Rfc.Trc");
  EXPECT_LE(std::filesystem::file_size(carried), 16u * 1024 * 1024 + 200);
  std::ifstream in(carried, std::ios::binary);
  std::string note;
  std::getline(in, note);
  EXPECT_EQ(note.rfind("Quillar: the first ", 0), 0u) << note;
  EXPECT_NE(note.find(" bytes of an earlier Dev_Rfc.Trc were left out here"), std::string::npos) << note;
  const std::string rest(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(count_of(rest, "the last block"), 1u);
  EXPECT_EQ(count_of(read_local(host().local_path(kRun + "\\Quillar.log")), "0 stale log line \n"), 1u);
  EXPECT_EQ(scratch_entries(), std::vector<std::string>{});
}

// Sensors that start together after a killed run sweep its stale folders
// together: each stale line and block ends in the working directory once.
TEST_F(ChildRunsEndToEnd, ConcurrentSweepsCarryEachStaleLineOnce) {
  // Windows appends through a handle that may only append, each write as
  // one step; under wine, lines of sensors appending at once were seen to
  // overwrite each other now and then.
  if (host().under_wine()) GTEST_SKIP() << "wine's appends are not one step across processes";
  const int folders = 100;
  remove_run_files();
  for (int k = 0; k < folders; ++k) {
    write_stale(k, "Quillar.log", "0 stale line " + std::to_string(k) + " \n");
    write_stale(k, "Dev_Rfc.Trc",
                "\n**** ERROR file opened at stale\nT:0001 ======> stale block " + std::to_string(k) + "\n");
  }
  use_listing("QAS.P00#");
  for (const ProcessResult& result : run_side_by_side({"PRD", "ITEM=In-Errors,PARALLEL=1,SYSLOG"}, 4)) {
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_NE(result.standard_output.find("<Result><Channel>QAS.P00</Channel>"), std::string::npos)
        << result.standard_output;
  }
  const std::string log = read_local(host().local_path(kRun + "\\Quillar.log"));
  const std::string trace = read_local(host().local_path(kRun + "\\Dev_Rfc.Trc"));
  for (int k = 0; k < folders; ++k) {
    EXPECT_EQ(count_of(log, "0 stale line " + std::to_string(k) + " \n"), 1u) << k;
    EXPECT_EQ(count_of(trace, "stale block " + std::to_string(k) + "\n"), 1u) << k;
  }
  EXPECT_EQ(count_of(trace, "**** ERROR file opened at stale\n"), static_cast<std::size_t>(folders));
  EXPECT_EQ(scratch_entries(), std::vector<std::string>{});
}

// Only the parent hands a child its job: the child's arguments typed on a
// command line are read as any sensor's, into the usual error document.
TEST_F(ChildRunsEndToEnd, TheChildsArgumentsFromAShellMakeNoChild) {
  host().write_file(kRun + "\\Quillar.4242.ab\\Quillar.job", "0123456789abcdef0123456789abcdef");
  ProcessResult typed = host().run({"--child", "Quillar.4242.ab", "1", "PRD", "LAN=eth0"}, kRun);
  ProcessResult plain = host().run({"--child", "Quillar.4242.ab"}, kRun);
  EXPECT_EQ(typed.standard_output, plain.standard_output);
  EXPECT_TRUE(one_closed_document(typed.standard_output)) << typed.standard_output;
  EXPECT_NE(typed.standard_output.find("<Error>1</Error>"), std::string::npos) << typed.standard_output;
  EXPECT_EQ(typed.exit_code, 2);
  EXPECT_FALSE(std::filesystem::exists(host().local_path(kRun + "\\Quillar.4242.ab\\Quillar.records")));
  std::filesystem::remove_all(host().local_path(kRun + "\\Quillar.4242.ab"));

  // Nor does a well-formed job that a shell pipes in, naming itself as the
  // parent and a private scratch folder that holds the job's secret: the
  // shell does not run the sensor's program file. The run ends before it
  // writes anything there. The program starts once the job waits in the
  // pipe, as a child's does, and as the shell's child.
  if (host().under_wine()) return;
  const std::string secret = "0123456789abcdef0123456789abcdef";
  const std::string piped_job = "folder=Quillar.$$.ab; mkdir -m 700 $folder && printf " + secret +
                                " > $folder/Quillar.job && printf 'Quillar child job 1\\n%s\\n1\\n" + secret +
                                "\\n' $folder | { sleep 1; exec " + shell_quoted(host().sensor_path()) + " " +
                                shell_quoted(kSensors + "PRD") + " MODE=Mervesk; }; status=$?; ls $folder; "
                                "rm -r $folder; exit $status";
  ProcessResult piped = host().run_program("/bin/sh", {"-c", piped_job}, kRun);
  EXPECT_EQ(piped.standard_output, "Quillar.job\n");
  EXPECT_EQ(piped.exit_code, 137);
}

// A child that ends without finishing is reported by what ended it, not as
// one that did not answer: a disk too full for its records, a kill from
// outside.
TEST_F(ChildRunsEndToEnd, AChildThatEndsUnfinishedIsReportedByWhatEndedIt) {
  if (host().under_wine()) GTEST_SKIP() << "POSIX mounts and signals";
  const std::string run_folder = shell_quoted(host().local_path(kRun).string());
  const std::string landscape = shell_quoted((std::filesystem::temp_directory_path() / "quillar-landscape").string());
  // Three pages: the landscape, a filler and the job file of the child,
  // which then finds no room for its first record.
  const std::string full_disk = "cp RfcSim.ini " + landscape + " && page=$(getconf PAGESIZE) && mount -t tmpfs -o size=$((3 * page)) tmpfs " +
                                run_folder + " && cd " + run_folder + " && cp " + landscape +
                                " RfcSim.ini && head -c $page /dev/zero > filler";
  std::optional<ProcessResult> full = run_in_own_mounts(full_disk, {kSensors + "PRD", "MODE=Mervesk,DEADLINE=3"});
  if (full) {
    EXPECT_EQ(full->standard_output,
              error_document("Error 1064: SAP system BIN was not measured, its child process ended unfinished "
                             "(exit status 3)"));
    EXPECT_EQ(full->exit_code, 2);
  } else {
    std::cout << "skipped the full disk: this machine gives no mount namespace\n";
  }

  std::string killed_script = shell_quoted(host().sensor_path()) + " " + shell_quoted(kSensors + "HANG") +
                              " 'MODE=Mervesk,DEADLINE=20' & sensor=$!; sleep 1; pkill -KILL -P $sensor; wait $sensor";
  ProcessResult killed = host().run_program("/bin/sh", {"-c", killed_script}, kRun);
  EXPECT_EQ(killed.standard_output,
            error_document("Error 1064: SAP system HANG was not measured, its child process ended unfinished "
                           "(signal 9)"));
  EXPECT_EQ(killed.exit_code, 2);
  EXPECT_EQ(scratch_entries(), std::vector<std::string>{});
}

// A child gets its job on standard input and the null device for its output,
// and nothing else of the sensor: a descriptor that whoever started the
// sensor left open does not reach it.
TEST_F(ChildRunsEndToEnd, NoOtherDescriptorReachesAChild) {
  if (host().under_wine()) GTEST_SKIP() << "POSIX descriptors";
  std::string script = "exec 9</dev/zero; " + shell_quoted(host().sensor_path()) + " " +
                       shell_quoted(kSensors + "HANG") +
                       " 'MODE=Mervesk,DEADLINE=3' & sensor=$!; sleep 1; "
                       "for child in $(pgrep -P $sensor); do ls /proc/$child/fd; readlink /proc/$child/fd/0; done; "
                       "wait $sensor";
  ProcessResult result = host().run_program("/bin/sh", {"-c", script}, kRun);
  const std::string listing = result.standard_output.substr(0, result.standard_output.find("<Prtg>"));
  EXPECT_NE(listing.find("pipe:"), std::string::npos) << listing;
  std::istringstream lines(listing);
  std::set<std::string> descriptors;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) descriptors.insert(line);
  }
  EXPECT_TRUE(descriptors.count("0") && descriptors.count("1") && descriptors.count("2")) << listing;
  EXPECT_EQ(descriptors.count("9"), 0u) << listing;
}


// How far past its budget a run may end: the start of the program and of its
// children, and the short waits of a kill, per environment.
std::chrono::milliseconds budget_margin() {
  if (host().under_wine()) return std::chrono::milliseconds(3000);
  if (kSanitized) return std::chrono::milliseconds(1500);
  return std::chrono::milliseconds(500);
}

// The entries of the stale folders that are left, by name, with the
// content of each file in them.
std::map<std::string, std::string> left_in_stale_folders() {
  std::map<std::string, std::string> left;
  for (const std::string& folder : scratch_entries()) {
    for (const auto& entry : std::filesystem::directory_iterator(host().local_path(kRun + "\\" + folder))) {
      left[entry.path().filename().string()] += read_local(entry.path());
    }
  }
  return left;
}

// How often each line stands in `text`.
std::map<std::string, std::size_t> line_counts(const std::string& text) {
  std::map<std::string, std::size_t> counts;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) ++counts[line];
  return counts;
}

// A POSIX shell command list that runs the sensor, says on standard error
// how many milliseconds it took ("took N") and leaves its exit status in $?.
std::string timed(const std::vector<std::string>& arguments, const std::string& redirect = "",
                  const std::string& prefix = "") {
  std::string command = prefix + shell_quoted(host().sensor_path());
  for (const std::string& argument : arguments) command += " " + shell_quoted(argument);
  return "begun=$(date +%s%N); " + command + redirect + "; status=$?; ended=$(date +%s%N); echo took " +
         "$(( (ended - begun) / 1000000 )) >&2; (exit $status)";
}

std::optional<std::chrono::milliseconds> took_of(const ProcessResult& result) {
  const std::size_t at = result.standard_error.rfind("took ");
  if (at == std::string::npos) return std::nullopt;
  return std::chrono::milliseconds(std::stoll(result.standard_error.substr(at + 5)));
}

// Attacks on a working directory as a hostile administrator, another account
// or a failing disk would make them. Every run ends with one closed
// document, the one that names the true cause, within its budget and a
// margin; nothing outside the working directory changes; and every stale
// line is carried exactly once, or kept for the next run.
TEST_F(ChildRunsEndToEnd, AHostileWorkingDirectoryNeitherBreaksTheBudgetNorForgesAResult) {
  const std::string run_folder = host().local_path(kRun).string();
  const std::string victim = "C:\\e2e\\victim";
  host().write_file(victim + "\\own.txt", "victim's own\n");
  const std::map<std::string, std::string> victim_files = folder_state(host().local_path(victim));
  const std::string answered = host().run({"PRD", "LAN=eth0"}, kRun).standard_output;
  const std::string landscape = (std::filesystem::temp_directory_path() / "quillar-landscape").string();
  const bool posix_machine = !host().under_wine();
  // A script run as root in a mount namespace of its own; nothing when the
  // machine gives none.
  auto in_own_mounts = [&](const std::string& script) -> std::optional<ProcessResult> {
    if (!posix_machine || host().run_program("/usr/bin/unshare", {"-m", "true"}, kRun).exit_code != 0) {
      return std::nullopt;
    }
    return host().run_program("/usr/bin/unshare", {"-m", "/bin/sh", "-c", script}, kRun);
  };
  std::string stale_log;
  for (int k = 0; k < 200000; ++k) stale_log += "0 stale line " + std::to_string(k) + " \n";

  struct Row {
    const char* attack;
    // Sets the working directory up; false when this machine cannot play
    // the attack.
    std::function<bool()> prepare;
    // Runs the sensor as the attack needs it.
    std::function<std::optional<ProcessResult>()> run;
    int budget_seconds;
    // The document, or a part that it must hold when it names a random name.
    std::string document;
    bool whole_document;
    // What the working directory must hold afterwards.
    std::function<void(const char* attack)> check;
  };
  const Row rows[] = {
      {"one stale folder of 20,000 files",
       [&] {
         write_stale(1, "Quillar.log", "0 stale log line \n");
         const std::filesystem::path folder = host().local_path(kRun + "\\" + stale_folder(1));
         for (int k = 0; k < 20000; ++k) std::ofstream(folder / ("cpic" + std::to_string(k) + ".trc")) << k << "\n";
         return true;
       },
       [&] { return std::optional<ProcessResult>(host().run({"PRD", "LAN=eth0,PARALLEL=1,RUNTIME=2"}, kRun)); },
       2, answered, true,
       [&](const char* attack) {
         std::map<std::string, std::string> files = left_in_stale_folders();
         for (const auto& entry : std::filesystem::directory_iterator(host().local_path(kRun))) {
           const std::string name = entry.path().filename().string();
           if (name.rfind("cpic", 0) == 0) files[name] += read_local(entry.path());
         }
         std::size_t whole = 0;
         for (int k = 0; k < 20000; ++k) whole += files["cpic" + std::to_string(k) + ".trc"] == std::to_string(k) + "\n";
         EXPECT_EQ(whole, 20000u) << attack;
         EXPECT_EQ(count_of(read_local(host().local_path(kRun + "\\Quillar.log")) + files["Quillar.log"],
                            "0 stale log line \n"),
                   1u)
             << attack;
       }},
      {"10,000 stale folders",
       [&] {
         for (int k = 0; k < 10000; ++k) write_stale(k, "Quillar.log", "0 stale line " + std::to_string(k) + " \n");
         return true;
       },
       [&] { return std::optional<ProcessResult>(host().run({"PRD", "LAN=eth0,DEADLINE=2,RUNTIME=5"}, kRun)); },
       5, answered, true,
       [&](const char* attack) {
         const std::map<std::string, std::size_t> counts =
             line_counts(read_local(host().local_path(kRun + "\\Quillar.log")) + left_in_stale_folders()["Quillar.log"]);
         std::size_t once = 0;
         for (int k = 0; k < 10000; ++k) {
           auto found = counts.find("0 stale line " + std::to_string(k) + " ");
           once += found != counts.end() && found->second == 1 ? 1 : 0;
         }
         EXPECT_EQ(once, 10000u) << attack;
       }},
      {"a child stuck on a frozen disk, which SIGKILL cannot end at once",
       // The NetWeaver stand-in writes nothing in a logon, so its child is
       // never the one stuck there.
       [&] { return posix_machine && !behind_netweaver_bridge(); },
       [&]() -> std::optional<ProcessResult> {
         // An image of its own, so that no loop device of an earlier run is
         // taken up again; the disk is thawed once the freeze is done,
         // whatever the sensor did.
         const std::string image =
             (std::filesystem::temp_directory_path() / ("quillar-frozen-" + std::to_string(::getpid()) + ".img"))
                 .string();
         return in_own_mounts(
             "truncate -s 32M " + shell_quoted(image) + " && mkfs.ext4 -q -F " + shell_quoted(image) +
             " && cp RfcSim.ini " + shell_quoted(landscape) + " && mount -o loop " + shell_quoted(image) + " " +
             shell_quoted(run_folder) + " && cd " + shell_quoted(run_folder) + " && cp " + shell_quoted(landscape) +
             " RfcSim.ini || exit 77; (sleep 1; fsfreeze -f .) & freezer=$!; " +
             timed({"STUCK", "LAN=eth0,DEADLINE=2,RUNTIME=3"}, "", "timeout -s KILL 20 ") +
             "; status=$?; wait $freezer; fsfreeze -u .; sleep 0.3; cd /; umount -l " + shell_quoted(run_folder) +
             "; rm -f " + shell_quoted(image) + "; exit $status");
       },
       3, error_document("Error 1061: SAP system STUCK did not answer within 2 seconds"), true,
       [](const char*) {}},
      {"runs killed while they carry a stale folder",
       [&] {
         write_stale(1, "Quillar.log", stale_log);
         return posix_machine;
       },
       [&] {
         for (const char* pause : {"0.01", "0.02", "0.04", "0.08", "0.15"}) {
           host().run_program("/bin/sh",
                              {"-c", shell_quoted(host().sensor_path()) +
                                         " PRD 'LAN=eth0,PARALLEL=1,RUNTIME=5' > /dev/null & sensor=$!; sleep " +
                                         pause + "; kill -KILL $sensor; wait $sensor"},
                              kRun);
         }
         return std::optional<ProcessResult>(host().run({"PRD", "LAN=eth0,PARALLEL=1,RUNTIME=5"}, kRun));
       },
       5, answered, true,
       [&](const char* attack) {
         EXPECT_EQ(read_local(host().local_path(kRun + "\\Quillar.log")), stale_log) << attack;
       }},
      {"a disk that fills up while a stale folder is carried",
       [&] { return posix_machine; },
       [&]() -> std::optional<ProcessResult> {
         const std::string carried = (std::filesystem::temp_directory_path() / "quillar-carried.log").string();
         std::filesystem::remove(carried);
         std::string stale_script = "mkdir -m 0700 " + stale_folder(1) + " && i=0; while [ $i -lt 20000 ]; do echo \"0 stale line $i \"; i=$((i+1)); done > " +
                                    stale_folder(1) + "/Quillar.log";
         std::optional<ProcessResult> result = in_own_mounts(
             "cp RfcSim.ini " + shell_quoted(landscape) + " && mount -t tmpfs -o size=600k tmpfs " +
             shell_quoted(run_folder) + " && cd " + shell_quoted(run_folder) + " && cp " + shell_quoted(landscape) +
             " RfcSim.ini && " + stale_script + " || exit 77; " + shell_quoted(host().sensor_path()) +
             " PRD 'LAN=eth0,PARALLEL=1,RUNTIME=5' > /dev/null 2>&1; " +
             "mount -o remount,size=8m " + shell_quoted(run_folder) + "; " +
             timed({"PRD", "LAN=eth0,PARALLEL=1,RUNTIME=5"}) + "; status=$?; cp Quillar.log " +
             shell_quoted(carried) + "; exit $status");
         if (result) host().write_file(kRun + "\\Quillar.log", read_local(carried));
         return result;
       },
       5, answered, true,
       [&](const char* attack) {
         // The next run sends on the rest of the piece the full disk cut.
         const std::map<std::string, std::size_t> counts =
             line_counts(read_local(host().local_path(kRun + "\\Quillar.log")));
         std::size_t once = 0;
         for (int k = 0; k < 20000; ++k) {
           auto found = counts.find("0 stale line " + std::to_string(k) + " ");
           once += found != counts.end() && found->second == 1 ? 1 : 0;
         }
         EXPECT_EQ(once, 20000u) << attack;
         EXPECT_EQ(counts.size(), 20000u) << attack;
       }},
      {"another account that replaces the live scratch folder with a forged one",
       [&] {
         return posix_machine && ::geteuid() == 0 &&
                host().run_program("/bin/sh", {"-c", "id quillar-e2e >/dev/null 2>&1 || useradd -M -N -r quillar-e2e"},
                                   kRun).exit_code == 0;
       },
       [&] {
         // The account may reach the working directory and write to it, as
         // where Users may create folders.
         std::vector<std::pair<std::filesystem::path, std::filesystem::perms>> opened;
         for (std::filesystem::path folder = run_folder; folder != folder.root_path(); folder = folder.parent_path()) {
           opened.emplace_back(folder, std::filesystem::status(folder).permissions());
           std::filesystem::permissions(folder, std::filesystem::perms::others_exec, std::filesystem::perm_options::add);
         }
         std::filesystem::permissions(run_folder, std::filesystem::perms::all);
         const std::string forged = (std::filesystem::temp_directory_path() / "quillar-forged.records").string();
         {
           std::ofstream out(forged, std::ios::binary);
           out << "C11:Forged 666\n\nE1:0\n";
         }
         std::filesystem::permissions(forged, std::filesystem::perms::others_read, std::filesystem::perm_options::add);
         ProcessResult result = host().run_program(
             "/bin/sh",
             {"-c", "(sleep 1; setpriv --reuid=quillar-e2e --regid=$(id -g quillar-e2e) --clear-groups sh -c 'for d in "
                    "Quillar.*.*; do mv \"$d\" \"away.$d\" && mkdir \"$d\" && cp " +
                        shell_quoted(forged) + " \"$d/Quillar.records\"; done') & " +
                        timed({"HANG", "LAN=eth0,DEADLINE=3"})},
             kRun);
         for (const auto& [folder, permissions] : opened) std::filesystem::permissions(folder, permissions);
         return std::optional<ProcessResult>(result);
       },
       3, "Error 1066: SAP system HANG was not measured, its scratch folder Quillar.", false,
       [&](const char* attack) {
         // Nothing of the other account's folder was taken or removed.
         std::size_t forged_left = 0;
         for (const std::string& folder : scratch_entries()) {
           forged_left += read_local(host().local_path(kRun + "\\" + folder + "\\Quillar.records")).find("Forged") !=
                          std::string::npos;
         }
         EXPECT_EQ(forged_left, 1u) << attack;
       }},
      {"a sparse stale log of a gigabyte",
       [&] {
         write_stale(1, "Quillar.log", "0 first stale line \n");
         std::ofstream out(host().local_path(kRun + "\\" + stale_folder(1) + "\\Quillar.log"),
                           std::ios::binary | std::ios::in | std::ios::out);
         out.seekp(std::streamoff(1) << 30);
         out << "\n0 last stale line \n";
         return true;
       },
       [&] { return std::optional<ProcessResult>(host().run({"PRD", "LAN=eth0,PARALLEL=1,RUNTIME=5"}, kRun)); },
       5, answered, true,
       [&](const char* attack) {
         // What a slow machine leaves of the carry, the runs after carry on.
         for (int run = 0; run < 3 && !scratch_entries().empty(); ++run) {
           host().run({"PRD", "LAN=eth0,PARALLEL=1,RUNTIME=5"}, kRun);
         }
         EXPECT_EQ(scratch_entries(), std::vector<std::string>{}) << attack;
         const std::string log = read_local(host().local_path(kRun + "\\Quillar.log"));
         EXPECT_LT(log.size(), 4096u) << attack;
         EXPECT_EQ(log.find('\0'), std::string::npos) << attack;
         EXPECT_EQ(count_of(log, "0 last stale line \n"), 1u) << attack;
         EXPECT_NE(log.find(" NUL bytes of an earlier Quillar.log were dropped here\n"), std::string::npos) << log;
       }},
  };
  for (const Row& row : rows) {
    std::filesystem::remove_all(host().local_path(kRun));
    host().write_file(kRun + "\\RfcSim.ini", kLandscape);
    if (!row.prepare()) {
      std::cout << "skipped \"" << row.attack << "\": wine or this machine cannot play it\n";
      continue;
    }
    const auto begun = std::chrono::steady_clock::now();
    std::optional<ProcessResult> result = row.run();
    const auto took = std::chrono::steady_clock::now() - begun;
    if (!result || result->exit_code == 77) {
      std::cout << "skipped \"" << row.attack << "\": this machine gives no mount namespace, loop device or tmpfs\n";
      continue;
    }
    if (row.whole_document) {
      EXPECT_EQ(result->standard_output, row.document) << row.attack << "\n" << result->standard_error;
    } else {
      EXPECT_NE(result->standard_output.find(row.document), std::string::npos) << row.attack << ": "
                                                                               << result->standard_output;
    }
    EXPECT_TRUE(one_closed_document(result->standard_output)) << row.attack;
    EXPECT_EQ(result->standard_output.find("Forged"), std::string::npos) << row.attack;
    const auto sensor_took = took_of(*result).value_or(std::chrono::duration_cast<std::chrono::milliseconds>(took));
    EXPECT_LE(sensor_took, std::chrono::seconds(row.budget_seconds) + budget_margin()) << row.attack;
    EXPECT_EQ(folder_state(host().local_path(victim)), victim_files) << row.attack;
    row.check(row.attack);
  }
}

}  // namespace
}  // namespace quillar::e2e
