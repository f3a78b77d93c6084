#include "rfc/connection.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "rfc/sim_landscape.h"

namespace quillar {
namespace {

using rfcsim::OpenSeen;
using rfcsim::PassedText;

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

// The working copy is written through the platform; a copy that is not
// written whole must never reach the library, and standard error and the
// records tell which file in which folder kept the logon from being tried.
TEST(OpenSapConnectionTest, OnlyAWholeWorkingCopyLogsOn) {
  const std::string destination_file = "DEST=BIN\r\nTYPE=A\r\nASHOST=sapbin\r\nSYSNR=00\r\n";
  const struct {
    const char* name;
    std::size_t room;
    bool opened;
  } cases[] = {
      {"whole copy", std::string::npos, true},
      {"disk full in the middle", 10, false},
      {"nothing written", 0, false},
  };
  for (const auto& c : cases) {
    TempDrives drives;  // the stand-in's own files
    FreshStandIns stand_ins;
    FakePlatform platform;
    platform.files["SapRfc.BIN"] = destination_file;
    if (c.room != std::string::npos) platform.file_rooms["SapRfc.ini"] = c.room;
    DiagnosticLog log;
    RfcLibrary library;
    ASSERT_TRUE(open_rfc_library(platform, library).is_ok());
    RfcContext context{platform, library.entry_points, log, LogonOverrides()};
    LogonRecords records;
    open_connection(context, bin_entries(), records);
    EXPECT_EQ(rfcsim::seen().opens.size(), c.opened ? 1u : 0u) << c.name;
    EXPECT_EQ(platform.console, "") << c.name;
    EXPECT_EQ(records.unwritten.file, c.opened ? "" : "SapRfc.ini in C:\\work\\") << c.name;
    EXPECT_EQ(platform.error_console,
              c.opened ? "" : "Quillar: SapRfc.ini in C:\\work\\ cannot be written: " + records.unwritten.reason + "\n")
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

}  // namespace
}  // namespace quillar
