// The stand-in library's own behaviour on its landscape format.
#include <gtest/gtest.h>

#include "platform/temp_drives.h"
#include "rfc/rfc_library.h"
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

TEST(RfcSimTest, WithoutALandscapeNoPartnerIsReached) {
  TempDrives drives;
  FreshStandIns stand_ins;
  EXPECT_EQ(open_r3("sapprd", 10, "100", "U", "p"), 0u);
  RFC_ERROR_INFO error{};
  RfcLastError(&error);
  EXPECT_STREQ(error.message, "partner not reached (host sapprd, system number 10)");
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
