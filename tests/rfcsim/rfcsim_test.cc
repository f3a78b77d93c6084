// The stand-in library's own behaviour on its landscape format.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <optional>
#include <string>

#include "fake_platform.h"
#include "platform/temp_drives.h"
#include "rfc/rfc_files.h"
#include "rfc/rfc_library.h"
#include "rfc/sap_characters.h"
#include "rfc/sapnwrfc.h"
#include "rfcsim/fresh_stand_ins.h"
#include "rfcsim_control.h"

namespace quillar {
namespace {

RFC_HANDLE open_r3(const char* host, int sysnr, const char* client, const char* user, const char* password) {
  RFC_CONNOPT_R3 server{const_cast<char*>(host), sysnr, nullptr, nullptr};
  RFC_OPTIONS options{};
  options.destination = const_cast<char*>("X");
  options.connopt = &server;
  options.client = const_cast<char*>(client);
  options.user = const_cast<char*>(user);
  options.password = const_cast<char*>(password);
  options.language = const_cast<char*>("E");
  return RfcOpen(&options);
}

const char kLandscape[] =
    "; the demo systems\n"
    "# another comment\n"
    "\n"
    "[PRD]\n"
    "AsHost = sapprd\n"
    "SYSNR = 10\n"
    "client = 100\n"
    "user = Monitor\n"
    "password = pw\n"
    "[R2]\n"
    "gwhost = gw1\n"
    "gwserv = sapgw01\n"
    "client = 001\n"
    "user = U\n"
    "password = p\n";

TEST(RfcSimTest, LogsOnToTheSystemOfTheLandscape) {
  TempDrives drives;
  drives.write("c/work/RfcSim.ini", kLandscape);
  FreshStandIns stand_ins;
  const struct {
    const char* name;
    const char* host;
    int sysnr;
    const char* client;
    const char* user;
    const char* password;
    bool reached;
    const char* key;
  } cases[] = {
      {"exact", "sapprd", 10, "100", "MONITOR", "pw", true, ""},
      {"host in any case, trailing blanks", "SAPPRD", 10, "100", "monitor     ", "pw        ", true, ""},
      {"other system number", "sapprd", 0, "100", "MONITOR", "pw", false, "RFC_ERROR_COMMUNICATION"},
      {"unknown host", "sapqas", 10, "100", "MONITOR", "pw", false, "RFC_ERROR_COMMUNICATION"},
      {"wrong client", "sapprd", 10, "200", "MONITOR", "pw", false, "RFC_ERROR_LOGON_FAILURE"},
      {"wrong password", "sapprd", 10, "100", "MONITOR", "PW", false, "RFC_ERROR_LOGON_FAILURE"},
  };
  for (const auto& c : cases) {
    RFC_HANDLE handle = open_r3(c.host, c.sysnr, c.client, c.user, c.password);
    EXPECT_EQ(handle != 0, c.reached) << c.name;
    if (!c.reached) {
      RFC_ERROR_INFO error{};
      RfcLastError(&error);
      EXPECT_STREQ(error.key, c.key) << c.name;
    }
  }
  std::string trace = drives.read("c/work/Dev_Rfc.Trc");
  EXPECT_NE(trace.find("\n**** ERROR file opened at "), std::string::npos) << trace;
  EXPECT_NE(trace.find("\nT:0004 ======> Name or password is incorrect (repeat logon)\n"), std::string::npos)
      << trace;
}

// As the library's documentation says: RFC_INI names the destinations file
// (a name or a path, full or from the working directory); without it the
// file is saprfc.ini of the working directory.
TEST(RfcSimTest, ADestinationLogonReadsTheFileThatRfcIniNames) {
  TempDrives drives;
  drives.write("c/work/RfcSim.ini", kLandscape);
  const std::string reaches = "DEST=PRD\nTYPE=A\nASHOST=sapprd\nSYSNR=10\n";
  const std::string misses = "DEST=PRD\nTYPE=A\nASHOST=sapqas\nSYSNR=10\n";
  drives.write("c/work/Own.ini", reaches);
  drives.write("c/work/sub/own.ini", reaches);
  drives.write("d/elsewhere/own.ini", reaches);
  drives.write("c/work/bad.ini", misses);
  const std::string full_path = (drives.root() / "d/elsewhere/own.ini").string();
  const struct {
    const char* name;
    std::optional<std::string> rfc_ini;
    bool saprfc_ini_reaches;
    bool reached;
  } cases[] = {
      {"unset, saprfc.ini reaches", std::nullopt, true, true},
      {"unset, saprfc.ini misses", std::nullopt, false, false},
      {"empty is unset", "", true, true},
      {"a name in the working directory", "Own.ini", false, true},
      {"a name in another letter case", "own.INI", false, true},
      {"a path from the working directory", "sub/own.ini", false, true},
      {"a full path", full_path, false, true},
      {"the named file wins", "bad.ini", true, false},
      {"a missing named file, no other", "missing.ini", true, false},
  };
  for (const auto& c : cases) {
    FreshStandIns stand_ins;
    drives.write("c/work/SapRfc.ini", c.saprfc_ini_reaches ? reaches : misses);
    ScopedEnvironmentVariable rfc_ini(kDestinationsVariable, c.rfc_ini);
    RFC_ERROR_INFO_EX error{};
    EXPECT_EQ(RfcOpenEx("CLIENT=100 USER=MONITOR PASSWD=pw LANG=D DEST=PRD", &error) != 0, c.reached) << c.name;
  }
}

TEST(RfcSimTest, ReportsMalformedLinesWithTheirNumbers) {
  TempDrives drives;
  drives.write("c/work/RfcSim.ini",
               "client = 1\n[PRD]\nashost sapprd\ncolour = blue\nlan = toolongname 1 2 3 4 5 6\n"
               "lan = eth0 1 2 3\nreceive = maybe\nfail = RfcOpen\n[broken\nsysnr = 10\nashost = sapprd\n"
               "client = 100\nuser = U\npassword = p\nfield NOPE = CHAR 4\nfield IN_PACKETS = INT 8\n"
               "field LASTCOLLWRT = CHAR 10\nfield F_LAN_SINGLE_READ = NUMC 3\nlan = eth0 4294967296 1 1 1 1 1\n"
               "field LANNAME = CHAR 10\nlan = interface0 1 1 1 1 1 1\nfield in_packets = NUMC 10\n");
  FreshStandIns stand_ins;
  testing::internal::CaptureStderr();
  RFC_HANDLE handle = open_r3("sapprd", 10, "100", "U", "p");
  std::string complaints = testing::internal::GetCapturedStderr();
  EXPECT_NE(handle, 0u) << "good lines still count";
  for (const char* expected : {"RfcSim.ini:1: no [system] before it", "RfcSim.ini:3: no key = value",
                               "RfcSim.ini:4: unknown key colour", "RfcSim.ini:5: bad value for lan",
                               "RfcSim.ini:6: bad value for lan", "RfcSim.ini:7: bad value for receive",
                               "RfcSim.ini:8: bad value for fail", "RfcSim.ini:9: bad section",
                               "RfcSim.ini:15: bad value for field NOPE", "RfcSim.ini:16: bad value for field IN_PACKETS",
                               "RfcSim.ini:17: bad value for field LASTCOLLWRT",
                               "RfcSim.ini:18: bad value for field F_LAN_SINGLE_READ",
                               "RfcSim.ini:19: bad value for lan", "RfcSim.ini:22: bad value for field in_packets"}) {
    EXPECT_NE(complaints.find(expected), std::string::npos) << expected << "\n" << complaints;
  }
  EXPECT_EQ(complaints.find("RfcSim.ini:21:"), std::string::npos) << "a name that a wider field holds";
}

// A logon of the NetWeaver stand-in to this server, as the bridge makes it;
// gives the message of its refusal, or "" when it logs on.
std::string nw_refusal(const char* host, const char* sysnr) {
  const SapText names[] = {to_sap_text("ashost"), to_sap_text("sysnr"), to_sap_text("client"), to_sap_text("user"),
                           to_sap_text("passwd")};
  const SapText values[] = {to_sap_text(host), to_sap_text(sysnr), to_sap_text("100"), to_sap_text("U"),
                            to_sap_text("p")};
  nwrfc::RFC_CONNECTION_PARAMETER parameters[5];
  for (int k = 0; k < 5; ++k) parameters[k] = {names[k].c_str(), values[k].c_str()};
  nwrfc::RFC_ERROR_INFO error{};
  nwrfc::RFC_CONNECTION_HANDLE connection = nwrfc::RfcOpenConnection(parameters, 5, &error);
  if (connection == nullptr) return from_sap_text(error.message, std::size(error.message));
  nwrfc::RfcCloseConnection(connection, &error);
  return "";
}

// Where the stand-ins find no RfcSim.ini at all they may be lying on a PRTG
// probe in place of SAP's library: their refusal says what they are, where
// they looked and what belongs there. Where a landscape exists, even one
// without the system asked for, the refusal stays the one that the sensor's
// documents and tests quote.
TEST(RfcSimTest, WithoutALandscapeTheRefusalSaysWhatTheStandInIs) {
  const std::string classic = "Quillar's stand-in for trials, not SAP's librfc32.dll";
  const std::string netweaver = "Quillar's stand-in for trials, not SAP's sapnwrfc.dll";
  const std::string the_rest =
      ", which belongs in its place on a probe; it reaches only the systems of RfcSim.ini and found none in ";
  const std::string long_folder = "c/" + std::string(120, 'f');
  const char kNotReached[] = "partner not reached (host sapprd, system number 10)";
  const struct {
    const char* name;
    const char* working_dir;
    const char* landscape;  // where RfcSim.ini lies below the drive root; none: null
    const char* landscape_content;
    const char* looked_in_after_the_folder;  // null: a landscape was found
  } cases[] = {
      {"no RfcSim.ini", "c/work", nullptr, "", ""},
      {"RfcSim.ini only in the folder above an ordinary folder", "c/work/sub", "c/work/RfcSim.ini", kLandscape, ""},
      {"a scratch folder looks above too", "c/work/Quillar.42.ab", nullptr, "", " nor in the folder above"},
      {"a long folder: the classic error field cuts it alone", long_folder.c_str(), nullptr, "", ""},
      {"a landscape without the system", "c/work", "c/work/RfcSim.ini", "[QAS]\nashost = sapqas\nsysnr = 10\n",
       nullptr},
      {"an empty landscape is one", "c/work", "c/work/RfcSim.ini", "", nullptr},
      {"a scratch folder's landscape above it", "c/work/Quillar.42.ab", "c/work/RfcSim.ini",
       "[QAS]\nashost = sapqas\nsysnr = 10\n", nullptr},
  };
  for (const auto& c : cases) {
    TempDrives drives(c.working_dir);
    if (c.landscape != nullptr) drives.write(c.landscape, c.landscape_content);
    FreshStandIns stand_ins;
    const std::string folder = std::filesystem::current_path().string();
    const bool found = c.looked_in_after_the_folder == nullptr;
    const std::string looked_in = found ? "" : folder + c.looked_in_after_the_folder;
    // The classic error record holds 255 characters.
    const std::string classic_refusal = (classic + the_rest + looked_in).substr(0, sizeof(RFC_ERROR_INFO::message) - 1);

    EXPECT_EQ(open_r3("sapprd", 10, "100", "U", "p"), 0u) << c.name;
    RFC_ERROR_INFO error{};
    RfcLastError(&error);
    EXPECT_STREQ(error.key, "RFC_ERROR_COMMUNICATION") << c.name;
    EXPECT_EQ(error.message, found ? kNotReached : classic_refusal) << c.name;
    EXPECT_EQ(nw_refusal("sapprd", "10"), found ? kNotReached : netweaver + the_rest + looked_in) << c.name;
    if (!found) {
      RFC_ERROR_INFO_EX extended{};
      EXPECT_EQ(RfcOpenEx("CLIENT=100 USER=U PASSWD=p LANG=D DEST=BIN", &extended), 0u) << c.name;
      EXPECT_EQ(extended.message, classic_refusal) << c.name << ": by destination too";
    }
  }
}

// Each block that the classic stand-in appends to Dev_Rfc.Trc names it in
// a line of its own after the block's head, and the sensor's scan of the
// trace still quotes the block's error text.
TEST(RfcSimTest, EachTraceBlockNamesTheStandInAndTheSensorStillQuotesItsError) {
  const std::string identification =
      "Quillar's stand-in for trials, systems read from RfcSim.ini, not SAP's RFC library";
  const struct {
    const char* name;
    const char* landscape;  // null: none
    const char* password;
    bool call;
    const char* quoted;  // null: the block's text is longer than the scan's piece
  } cases[] = {
      {"refused logon", kLandscape, "wrong", false, "Name or password is incorrect (repeat logon)"},
      {"failed call", "[PRD]\nashost = sapprd\nsysnr = 10\nclient = 100\nuser = U\npassword = p\ncall = failure\n", "p",
       true, "RfcCall failed with code 1"},
      {"no landscape", nullptr, "p", false, nullptr},
  };
  for (const auto& c : cases) {
    TempDrives drives;
    if (c.landscape != nullptr) drives.write("c/work/RfcSim.ini", c.landscape);
    FreshStandIns stand_ins;
    drives.write("c/work/Dev_Rfc.Trc", "earlier lines\n");
    RFC_HANDLE handle = open_r3("sapprd", 10, "100", "U", c.password);
    if (c.call) {
      ASSERT_NE(handle, 0u) << c.name;
      EXPECT_NE(RfcCall(handle, "GET_LAN_SINGLE", nullptr, nullptr), RFC_OK) << c.name;
      RfcClose(handle);
    }
    RFC_ERROR_INFO error{};
    RfcLastError(&error);
    const std::string trace = drives.read("c/work/Dev_Rfc.Trc");
    const std::string head = "\n**** ERROR file opened at ";
    const std::size_t block = trace.find(head);
    ASSERT_NE(block, std::string::npos) << c.name << "\n" << trace;
    EXPECT_EQ(trace.find(head, block + 1), std::string::npos) << c.name << ": one block\n" << trace;
    const std::size_t body = trace.find('\n', block + head.size()) + 1;
    EXPECT_EQ(trace.substr(body), identification + "\nT:0001 ======> " + error.message + "\n") << c.name;

    FakePlatform sensor;
    sensor.files["Dev_Rfc.Trc"] = trace;
    const std::string remark = trace_file_remark(sensor);
    if (c.quoted != nullptr) {
      EXPECT_EQ(remark, std::string(" - ") + c.quoted) << c.name;
    } else {
      EXPECT_EQ(std::string(error.message).rfind(remark.substr(3), 0), 0u) << c.name << ": " << remark;
    }
  }
}

TEST(RfcSimTest, R2LogonsGoThroughTheGateway) {
  TempDrives drives;
  drives.write("c/work/RfcSim.ini", kLandscape);
  FreshStandIns stand_ins;
  RFC_CONNOPT_CPIC gateway{const_cast<char*>("GW1"), const_cast<char*>("sapgw01")};
  RFC_OPTIONS options{};
  options.mode = 1;
  options.connopt = &gateway;
  options.client = const_cast<char*>("001");
  options.user = const_cast<char*>("u");
  options.password = const_cast<char*>("p");
  EXPECT_NE(RfcOpen(&options), 0u);
  gateway.gateway_service = nullptr;
  EXPECT_EQ(RfcOpen(&options), 0u);
}

}  // namespace
}  // namespace quillar
