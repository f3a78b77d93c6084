#include "rfc/connection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "rfc/sim_landscape.h"

namespace quillar {
namespace {

using rfcsim::OpenSeen;
using rfcsim::PassedText;

// The names of run-private destination files in a folder of the drives.
std::vector<std::string> private_copies(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (is_private_destinations_name(name)) names.push_back(name);
  }
  return names;
}

struct RecordCase {
  const char* name;
  void (*change)(LogonEntries&);
  const char* options;
  OpenSeen expected;
};

TEST(OpenSapConnectionTest, PassesTheRecordsBuiltFromTheEntries) {
  auto base = [] {
    OpenSeen seen;
    seen.destination = "BIN";
    seen.client = "100";
    seen.user = "RFCUSER     ";
    seen.password = "Secret#1  ";
    seen.language = "E";
    seen.mode = 0;
    seen.trace = 0;
    seen.hostname = "sapbin";
    seen.sysnr = 0;
    seen.gateway_host = "gwbin";
    seen.gateway_service = "sapgw00";
    return seen;
  };
  auto with = [&](auto change) {
    OpenSeen seen = base();
    change(seen);
    return seen;
  };
  const RecordCase cases[] = {
      {"R/3 server record", [](LogonEntries&) {}, "", base()},
      {"R/2 gateway record", [](LogonEntries& e) { e.mode = "R/2"; }, "",
       with([](OpenSeen& s) { s.mode = 1; s.hostname.reset(); })},
      {"r/2 is no R/2", [](LogonEntries& e) { e.mode = "r/2"; }, "", base()},
      {"R/2 with a blank is no R/2", [](LogonEntries& e) { e.mode = "R/2 "; }, "", base()},
      {"short user filled to 12", [](LogonEntries& e) { e.user = "ABCDE"; }, "",
       with([](OpenSeen& s) { s.user = "ABCDE       "; })},
      {"long user unchanged", [](LogonEntries& e) { e.user = "ABCDEFGHIJKLMN"; }, "",
       with([](OpenSeen& s) { s.user = "ABCDEFGHIJKLMN"; })},
      {"long password unchanged", [](LogonEntries& e) { e.password = "0123456789AB"; }, "",
       with([](OpenSeen& s) { s.password = "0123456789AB"; })},
      {"empty gateway texts are null", [](LogonEntries& e) { e.gwhost.clear(); e.gwservice.clear(); }, "",
       with([](OpenSeen& s) { s.gateway_host.reset(); s.gateway_service.reset(); })},
      {"empty host is null", [](LogonEntries& e) { e.hostname.clear(); }, "",
       with([](OpenSeen& s) { s.hostname.reset(); })},
      {"system number read as a number", [](LogonEntries& e) { e.sysnr = " +12x"; }, "",
       with([](OpenSeen& s) { s.sysnr = 12; })},
      {"host and number overrides", [](LogonEntries&) {}, "LAN=1,HOST=sapApp2,NO=07 x",
       with([](OpenSeen& s) { s.hostname = "sapApp2"; s.sysnr = 7; })},
      {"override keywords in any case", [](LogonEntries&) {}, ",host=h2,no=3",
       with([](OpenSeen& s) { s.hostname = "h2"; s.sysnr = 3; })},
      {"HOST= without its comma is no override", [](LogonEntries&) {}, "HOST=h2", base()},
  };
  for (const RecordCase& c : cases) {
    SimLandscape sim(kBinLandscape, c.options);
    LogonEntries entries = bin_entries();
    c.change(entries);
    LogonRecords records;
    RfcContext context = sim.context();
    open_connection(context, entries, records);
    ASSERT_EQ(rfcsim::seen().opens.size(), 1u) << c.name;
    const OpenSeen& seen = rfcsim::seen().opens[0];
    EXPECT_FALSE(seen.extended) << c.name;
    EXPECT_EQ(seen.destination, c.expected.destination) << c.name;
    EXPECT_EQ(seen.client, c.expected.client) << c.name;
    EXPECT_EQ(seen.user, c.expected.user) << c.name;
    EXPECT_EQ(seen.password, c.expected.password) << c.name;
    EXPECT_EQ(seen.language, c.expected.language) << c.name;
    EXPECT_EQ(seen.mode, c.expected.mode) << c.name;
    EXPECT_EQ(seen.trace, 0) << c.name;
    EXPECT_EQ(seen.gateway_host, c.expected.gateway_host) << c.name;
    EXPECT_EQ(seen.gateway_service, c.expected.gateway_service) << c.name;
    if (c.expected.mode == 0) {
      EXPECT_EQ(seen.hostname, c.expected.hostname) << c.name;
      EXPECT_EQ(seen.sysnr, c.expected.sysnr) << c.name;
    }
    EXPECT_EQ(entries.user.size(), entries.user.find_last_not_of(' ') + 1) << "entries stay unpadded";
  }
}

TEST(OpenSapConnectionTest, EachOpenRefillsTheRecords) {
  SimLandscape sim(kBinLandscape);
  LogonRecords records;
  RfcContext context = sim.context();
  LogonEntries first = bin_entries();
  first.user = "AVERYLONGUSERNAME";
  first.sysnr = "05";
  open_connection(context, first, records);
  LogonEntries second = bin_entries();
  second.user = "BOB";
  second.sysnr = "";
  open_connection(context, second, records);
  ASSERT_EQ(rfcsim::seen().opens.size(), 2u);
  EXPECT_EQ(rfcsim::seen().opens[1].user, "BOB         ");
  EXPECT_EQ(rfcsim::seen().opens[1].sysnr, 0) << "an empty number is no number, not the earlier one";
}

TEST(OpenSapConnectionTest, LogsEachOpenWithItsHandle) {
  SimLandscape sim(kBinLandscape);
  LogonRecords records;
  RfcContext context = sim.context();
  RFC_HANDLE handle = open_connection(context, bin_entries(), records);
  EXPECT_NE(handle, 0u);
  LogonEntries wrong = bin_entries();
  wrong.password = "wrong";
  EXPECT_EQ(open_connection(context, wrong, records), 0u);
  EXPECT_EQ(sim.log_text(), std::to_string(handle) + " RfcOpen called \n0 RfcOpen called \n");
}

TEST(OpenSapConnectionTest, DestinationFileLogsOnByConnectString) {
  const struct {
    const char* name;
    std::string destination_file;
  } cases[] = {
      {"saprfc entry", "DEST=BIN\r\nTYPE=A\r\nASHOST=sapbin\r\nSYSNR=00\r\n"},
      {"every byte copied", std::string("DEST=BIN\nASHOST=sapbin\nSYSNR=00\n\0\xff\r\r\n\x1a tail", 40)},
      {"empty file", ""},
  };
  // The run's own value of RFC_INI, whatever the machine's is.
  const ScopedEnvironmentVariable unset(kDestinationsVariable, std::nullopt);
  for (const auto& c : cases) {
    SimLandscape sim(kBinLandscape);
    sim.drives().write("c/work/SapRfc.BIN", c.destination_file);
    LogonEntries entries = bin_entries();
    entries.language = "E";
    entries.mode = "R/2";
    LogonRecords records;
    RfcContext context = sim.context();
    RFC_HANDLE handle = open_connection(context, entries, records);
    EXPECT_EQ(sim.drives().read("c/work/SapRfc.ini"), c.destination_file) << c.name;
    ASSERT_EQ(rfcsim::seen().opens.size(), 1u) << c.name;
    EXPECT_TRUE(rfcsim::seen().opens[0].extended) << c.name;
    EXPECT_EQ(rfcsim::seen().opens[0].connect_string,
              "CLIENT=100 USER=RFCUSER PASSWD=Secret#1 LANG=D DEST=BIN")
        << c.name;
    EXPECT_EQ(sim.log_text(), std::to_string(handle) + " RfcOpenEx called \n") << c.name;
    EXPECT_EQ(sim.console(), "") << c.name << ": the run shows the route, the logon prints nothing";
    EXPECT_EQ(handle != 0, c.destination_file.size() > 20) << c.name << ": the entry names the server";
    EXPECT_EQ(private_copies(sim.drives().root() / "c/work"), std::vector<std::string>()) << c.name;
    EXPECT_EQ(std::getenv(kDestinationsVariable), nullptr) << c.name << ": RFC_INI is again unset";
  }
}

TEST(OpenSapConnectionTest, NoWorkingCopyNoLogon) {
  SimLandscape sim(kBinLandscape);
  sim.drives().write("c/work/SapRfc.BIN", "DEST=BIN\n");
  std::filesystem::create_directories(sim.drives().root() / "c/work/SapRfc.ini");
  LogonRecords records;
  RfcContext context = sim.context();
  EXPECT_EQ(open_connection(context, bin_entries(), records), 0u);
  EXPECT_TRUE(rfcsim::seen().opens.empty());
  EXPECT_EQ(sim.log_text(), "");
  EXPECT_EQ(private_copies(sim.drives().root() / "c/work"), std::vector<std::string>());
}

TEST(OpenSapConnectionTest, TheRouteFollowsTheDestinationFolder) {
  const struct {
    const char* name;
    const char* file;
    const char* folder;
    bool by_destination_file;
  } cases[] = {
      {"no destination file", nullptr, "", false},
      {"the destination's file", "SapRfc.BIN", "", true},
      {"another destination's file", "SapRfc.QAS", "", false},
      {"the file in the destination folder", "..\\SapRfc.BIN", "..\\", true},
      {"the file only in the working directory", "SapRfc.BIN", "..\\", false},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    if (c.file != nullptr) platform.files[c.file] = "DEST=BIN\n";
    DiagnosticLog log;
    RfcEntryPoints no_library;
    RfcContext context{platform, no_library, log, LogonOverrides(), c.folder};
    EXPECT_EQ(LogonRoute::choose(context, "BIN").by_destination_file(), c.by_destination_file) << c.name;
  }
}

// The fake platform's first two private names: the draft that becomes
// "SapRfc.ini", then the run's own copy that the library reads.
constexpr char kDraftName[] = "SapRfc.4242.0000000000001234.ini";
constexpr char kOwnCopyName[] = "SapRfc.4242.0000000000001235.ini";

// Both copies are written through the platform; a copy that is not written
// whole must never reach the library, neither copy outlives the logon, and
// standard error and the records tell which file in which folder kept the
// logon from being tried.
TEST(OpenSapConnectionTest, OnlyWholeCopiesLogOn) {
  const std::string destination_file = "DEST=BIN\r\nTYPE=A\r\nASHOST=sapbin\r\nSYSNR=00\r\n";
  const struct {
    const char* name;
    const char* short_file;
    std::size_t room;
    bool opened;
  } cases[] = {
      {"whole copies", nullptr, 0, true},
      {"disk full in the middle of SapRfc.ini", kDraftName, 10, false},
      {"nothing of SapRfc.ini written", kDraftName, 0, false},
      {"disk full in the middle of the run's own copy", kOwnCopyName, 10, false},
      {"nothing of the run's own copy written", kOwnCopyName, 0, false},
  };
  for (const auto& c : cases) {
    TempDrives drives;  // the stand-in's own files
    FreshStandIns stand_ins;
    FakePlatform platform;
    platform.files["SapRfc.BIN"] = destination_file;
    if (c.short_file != nullptr) platform.file_rooms[c.short_file] = c.room;
    DiagnosticLog log;
    RfcLibrary library;
    ASSERT_TRUE(open_rfc_library(platform, library).is_ok());
    RfcContext context{platform, library.entry_points, log, LogonOverrides()};
    LogonRecords records;
    open_connection(context, bin_entries(), records);
    EXPECT_EQ(rfcsim::seen().opens.size(), c.opened ? 1u : 0u) << c.name;
    EXPECT_EQ(platform.console, "") << c.name;
    EXPECT_EQ(platform.files.count(kDraftName) + platform.files.count(kOwnCopyName), 0u) << c.name;
    EXPECT_EQ(platform.files.count("SapRfc.ini"), c.short_file != kDraftName ? 1u : 0u) << c.name;
    EXPECT_TRUE(platform.environment.empty()) << c.name;
    const std::string unwritten = c.short_file == nullptr    ? ""
                                  : c.short_file == kDraftName ? "SapRfc.ini in C:\\work\\"
                                                               : "the run's own copy of SapRfc.ini in C:\\work\\";
    EXPECT_EQ(records.unwritten.file, unwritten) << c.name;
    EXPECT_EQ(platform.error_console,
              c.opened ? "" : "Quillar: " + unwritten + " cannot be written: " + records.unwritten.reason + "\n")
        << c.name;
  }

  // A folder in the working copy's place is never written into.
  FakePlatform platform;
  platform.files["SapRfc.BIN"] = destination_file;
  platform.folders.insert("SapRfc.ini");
  DiagnosticLog log;
  RfcLibrary library;
  ASSERT_TRUE(open_rfc_library(platform, library).is_ok());
  RfcContext context{platform, library.entry_points, log, LogonOverrides()};
  LogonRecords records;
  EXPECT_EQ(open_connection(context, bin_entries(), records), 0u);
  EXPECT_EQ(platform.error_console,
            "Quillar: SapRfc.ini in C:\\work\\ cannot be written: no plain file of its own there (a link, FIFO or "
            "folder)\n");
}

// The library finds the destination in the run's own copy, which RFC_INI
// names while it logs on: SapRfc.ini may meanwhile hold another run's file.
TEST(OpenSapConnectionTest, TheLibraryReadsTheRunsOwnCopy) {
  const std::string destination_file = "DEST=BIN\nASHOST=sapbin\nSYSNR=00\n";
  const struct {
    const char* name;
    std::optional<std::string> rfc_ini_before;
    // What stands at the name of the run's own copy before the logon.
    const char* taken_by;
    bool opened;
  } cases[] = {
      {"RFC_INI unset before", std::nullopt, nullptr, true},
      {"RFC_INI of the administrator kept", "C:\\SAP\\saprfc.ini", nullptr, true},
      {"a file at the copy's name", std::nullopt, "file", false},
      {"a link at the copy's name", std::nullopt, "link", false},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.files["SapRfc.BIN"] = destination_file;
    platform.files["SapRfc.ini"] = "DEST=QAS\nASHOST=sapqas\n";
    // Left by a run that ended in the middle of its logon.
    platform.files["SapRfc.66.00ab.ini"] = "DEST=QAS\nASHOST=sapqas\n";
    if (c.rfc_ini_before) platform.environment[kDestinationsVariable] = *c.rfc_ini_before;
    if (c.taken_by != nullptr) {
      platform.files[kOwnCopyName] = "someone else's";
      if (std::string(c.taken_by) == "link") platform.links.insert(kOwnCopyName);
    }
    std::optional<std::string> named;
    std::optional<std::string> read_there;
    std::string connect_string;
    RfcEntryPoints library;
    library.RfcOpenEx = [&](const char* connect, RFC_ERROR_INFO_EX*) -> RFC_HANDLE {
      connect_string = connect;
      named = platform.environment_variable(kDestinationsVariable);
      if (named && platform.files.count(*named) != 0) read_there = platform.files[*named];
      return 7;
    };
    DiagnosticLog log;
    RfcContext context{platform, library, log, LogonOverrides()};
    LogonRecords records;
    const RFC_HANDLE handle = open_connection(context, bin_entries(), records);
    EXPECT_EQ(handle, c.opened ? 7u : 0u) << c.name;
    EXPECT_EQ(platform.files["SapRfc.ini"], destination_file) << c.name << ": written whole before the logon";
    if (c.opened) {
      EXPECT_EQ(named, kOwnCopyName) << c.name;
      EXPECT_EQ(read_there, destination_file) << c.name;
      EXPECT_EQ(connect_string, "CLIENT=100 USER=RFCUSER PASSWD=Secret#1 LANG=D DEST=BIN") << c.name;
      EXPECT_EQ(platform.files.count(kOwnCopyName), 0u) << c.name << ": removed after the logon";
      EXPECT_EQ(platform.files.count("SapRfc.66.00ab.ini"), 0u) << c.name << ": an ended run's copy goes too";
    } else {
      EXPECT_EQ(connect_string, "") << c.name << ": no logon without the run's own copy";
      EXPECT_EQ(platform.files[kOwnCopyName], "someone else's") << c.name << ": neither written nor removed";
    }
    EXPECT_EQ(platform.files.count(kDraftName), 0u) << c.name;
    EXPECT_EQ(platform.environment_variable(kDestinationsVariable), c.rfc_ini_before) << c.name;
  }
}

TEST(PrivateDestinationsTest, NamesOfRunsOwnFiles) {
  const struct {
    const char* name;
    bool is_private;
  } cases[] = {
      {kDraftName, true},
      {"saprfc.17.ABCdef.INI", true},
      {"SapRfc.ini", false},
      {"SapRfc.BIN", false},
      {"SapRfc.17.ini", false},
      {"SapRfc..abc.ini", false},
      {"SapRfc.17..ini", false},
      {"SapRfc.x7.abc.ini", false},
      {"SapRfc.17.abg.ini", false},
      {"SapRfc.17.abc.ini.bak", false},
      {"Quillar.17.abc.ini", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_private_destinations_name(c.name), c.is_private) << c.name;
}

}  // namespace
}  // namespace quillar
