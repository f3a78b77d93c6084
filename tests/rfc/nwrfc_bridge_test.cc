// The bridge from the classic operations to the NetWeaver SDK, played
// against the NetWeaver stand-in.
#include "rfc/nwrfc_bridge.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fake_platform.h"
#include "platform/temp_drives.h"
#include "rfc/sap_characters.h"
#include "rfcsim_control.h"

namespace quillar {
namespace {

const char kLandscape[] =
    "[BIN]\nashost = sapbin\nsysnr = 7\nclient = 100\nuser = RFCUSER\npassword = Secret#1\n"
    "lan = eth0 6789 5556 1 2 3 12345\nlan = lo 1 1 0 0 0 2\n"
    "[EXC]\nashost = sapexc\nsysnr = 0\nclient = 100\nuser = RFCUSER\npassword = Secret#1\n"
    "receive = exception NO_DATA_FOUND\n";

class BridgeTest : public testing::Test {
 protected:
  void SetUp() override {
    drives_.write("c/work/RfcSim.ini", kLandscape);
    rfcsim::nw_reset();
  }

  RFC_HANDLE open(const char* host, int sysnr, const char* password = "Secret#1  ") {
    RFC_CONNOPT_R3 server{const_cast<char*>(host), sysnr, nullptr, nullptr};
    RFC_OPTIONS options{};
    options.destination = const_cast<char*>("BIN");
    options.connopt = &server;
    options.client = const_cast<char*>("100");
    options.user = const_cast<char*>("RFCUSER     ");
    options.password = const_cast<char*>(password);
    options.language = const_cast<char*>("E");
    return bridge_.open(&options);
  }

  TempDrives drives_;
  std::unique_ptr<Platform> system_ = make_system_platform();
  ConsoleCapture platform_{*system_};
  NwRfcBridge bridge_{platform_, linked_nwrfc_entry_points()};
};

TEST_F(BridgeTest, PassesTheServerRecordAsConnectionParameters) {
  RFC_HANDLE handle = open("sapbin", 7);
  EXPECT_NE(handle, 0u);
  ASSERT_EQ(rfcsim::nw_seen().opens.size(), 1u);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"ashost", "sapbin"}, {"sysnr", "07"}, {"client", "100"},
      {"user", "RFCUSER"},  {"passwd", "Secret#1"}, {"lang", "E"}};
  EXPECT_EQ(rfcsim::nw_seen().opens[0], expected) << "two digits, no padding blanks, no gateway";
}

TEST_F(BridgeTest, KeepsSmallHandlesAndClosesAllWithZero) {
  RFC_HANDLE first = open("sapbin", 7);
  RFC_HANDLE second = open("sapbin", 7);
  RFC_HANDLE third = open("sapexc", 0);
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(second, 2u);
  EXPECT_EQ(third, 3u);
  bridge_.close(second);
  EXPECT_EQ(bridge_.open_connections(), 2u);
  EXPECT_EQ(rfcsim::nw_seen().closes, 1);
  bridge_.close(second);
  EXPECT_EQ(rfcsim::nw_seen().closes, 1) << "a closed handle closes nothing more";
  EXPECT_EQ(open("sapbin", 7), 4u) << "handles are not reused";
  bridge_.close(0);
  EXPECT_EQ(bridge_.open_connections(), 0u);
  EXPECT_EQ(rfcsim::nw_seen().closes, 4);
}

TEST_F(BridgeTest, AFailedLogonLeavesItsErrorAndATraceBlock) {
  EXPECT_EQ(open("sapbin", 7, "wrong"), 0u);
  RFC_ERROR_INFO error{};
  bridge_.last_error(&error);
  EXPECT_STREQ(error.key, "RFC_LOGON_FAILURE");
  EXPECT_STREQ(error.status, "RFC_LOGON_FAILURE");
  EXPECT_STREQ(error.message, "Name or password is incorrect (repeat logon)");
  EXPECT_STREQ(error.intstat, "LOGON_FAILURE");
  const std::string trace = drives_.read("c/work/Dev_Rfc.Trc");
  EXPECT_NE(trace.find("\n**** ERROR file opened at "), std::string::npos) << trace;
  EXPECT_NE(trace.find("\nT:0001 ======> Name or password is incorrect (repeat logon)\n"), std::string::npos)
      << trace;

  RFC_CONNOPT_CPIC gateway{const_cast<char*>("gw"), const_cast<char*>("sapgw00")};
  RFC_OPTIONS r2{};
  r2.mode = 1;
  r2.connopt = &gateway;
  EXPECT_EQ(bridge_.open(&r2), 0u) << "an R/2 logon has no counterpart";
  EXPECT_EQ(rfcsim::nw_seen().opens.size(), 1u);
}

TEST_F(BridgeTest, LogsOnByDestinationFromSapRfcIni) {
  drives_.write("c/work/SapRfc.ini",
                "DEST=OTHER\r\nASHOST=elsewhere\r\n dest = bin \r\nTYPE=A\r\nASHOST=sapbin\r\nSYSNR=7\r\n"
                "GWHOST=gw\r\nGWSERV=sapgw07\r\n");
  RFC_ERROR_INFO_EX error{};
  RFC_HANDLE handle = bridge_.open_ex("CLIENT=100 USER=RFCUSER PASSWD=pass word LANG=D DEST=BIN", &error);
  EXPECT_EQ(handle, 0u) << "the password does not match";
  ASSERT_EQ(rfcsim::nw_seen().opens.size(), 1u);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"ashost", "sapbin"}, {"sysnr", "07"},   {"client", "100"},       {"user", "RFCUSER"},
      {"passwd", "pass word"}, {"lang", "D"}, {"gwhost", "gw"},         {"gwserv", "sapgw07"}};
  EXPECT_EQ(rfcsim::nw_seen().opens[0], expected);
  EXPECT_STREQ(error.key, "RFC_LOGON_FAILURE");

  EXPECT_EQ(bridge_.open_ex("CLIENT=100 USER=RFCUSER PASSWD=Secret#1 LANG=D DEST=NONE", &error), 0u);
  EXPECT_EQ(rfcsim::nw_seen().opens.size(), 1u) << "no entry, no logon";
}

// A whole call as the sensor makes it: the rows arrive in the installed
// layout, and the exception of the SDK becomes the classic one.
TEST_F(BridgeTest, CallsAndReceivesInTheClassicForm) {
  RFC_TYPE_ELEMENT fields[] = {{"TYPE", TYPINT2, 2, 0, 0},      {"SUBTYPE", TYPINT2, 2, 0, 0},
                               {"SERIALNR", TYPINT2, 2, 0, 0},  {"LANNAME", TYPC, 8, 0, 0},
                               {"IN_PACKETS", TYPINT, 4, 0, 0}, {"OUT_PACKET", TYPINT, 4, 0, 0},
                               {"IN_ERRORS", TYPINT, 4, 0, 0},  {"OUT_ERRORS", TYPINT, 4, 0, 0},
                               {"COLLISIONS", TYPINT, 4, 0, 0}, {"PACKETS", TYPINT, 4, 0, 0}};
  RFC_TYPEHANDLE type = 0;
  ASSERT_EQ(bridge_.install_structure("LAN_SINGLE", fields, 10, &type), RFC_OK);
  RFC_HANDLE handle = open("sapbin", 7);
  ITAB_H table = bridge_.it_create("TF_LAN_SINGLE", 40, 0, 0);
  char local[] = "LOCAL ";
  RFC_PARAMETER importing[] = {{"LOCAL_REMOTE", 12, TYPC, 6, local}, {nullptr, 0, 0, 0, nullptr}};
  RFC_TABLE tables[] = {{"TF_LAN_SINGLE", 13, type, 40, table, 0, 0}, {nullptr, 0, 0, 0, nullptr, 0, 0}};
  ASSERT_EQ(bridge_.call(handle, "GET_LAN_SINGLE", importing, tables), RFC_OK);
  EXPECT_EQ(rfcsim::nw_seen().parameters,
            (std::vector<std::pair<std::string, std::string>>{{"LOCAL_REMOTE", "LOCAL "}}));
  std::int32_t active = 0;
  RFC_PARAMETER exporting[] = {{"ACTIVEFLAG", 10, TYPINT, 4, &active}, {nullptr, 0, 0, 0, nullptr}};
  char* exception = nullptr;
  ASSERT_EQ(bridge_.receive(handle, exporting, tables, &exception), RFC_OK);
  EXPECT_EQ(active, 1);
  ASSERT_EQ(bridge_.it_fill(table), 2u);
  const char* row = static_cast<const char*>(bridge_.it_get_line(table, 1));
  std::int16_t serial;
  std::int32_t packets;
  std::memcpy(&serial, row + 4, 2);
  std::memcpy(&packets, row + 36, 4);
  EXPECT_EQ(serial, 1);
  EXPECT_EQ(std::string(row + 6, 8), "eth0    ");
  EXPECT_EQ(packets, 12345);
  EXPECT_EQ(bridge_.it_get_line(table, 3), nullptr);
  EXPECT_EQ(bridge_.it_delete(table), 0);
  EXPECT_EQ(bridge_.it_delete(table), 1);

  RFC_HANDLE failing = open("sapexc", 0);
  ASSERT_EQ(bridge_.call(failing, "GET_LAN_SINGLE", importing, nullptr), RFC_OK);
  EXPECT_EQ(bridge_.receive(failing, exporting, nullptr, &exception), RFC_EXCEPTION);
  ASSERT_NE(exception, nullptr);
  EXPECT_STREQ(exception, "NO_DATA_FOUND");
  EXPECT_EQ(bridge_.call(handle, "RFC_PING", importing, nullptr), RFC_FAILURE);
}

TEST(BridgeMappingTest, MapsTheResultsOfTheSdkToClassicCodes) {
  const struct {
    nwrfc::RFC_RC code;
    RFC_RC classic;
    const char* exception;
  } cases[] = {
      {nwrfc::RFC_OK, RFC_OK, ""},
      {nwrfc::RFC_ABAP_EXCEPTION, RFC_EXCEPTION, "KEY"},
      {nwrfc::RFC_ABAP_MESSAGE, RFC_SYS_EXCEPTION, "SYSTEM_FAILURE"},
      {nwrfc::RFC_ABAP_RUNTIME_FAILURE, RFC_SYS_EXCEPTION, "SYSTEM_FAILURE"},
      {nwrfc::RFC_COMMUNICATION_FAILURE, RFC_SYS_EXCEPTION, "COMMUNICATION_FAILURE"},
      {nwrfc::RFC_LOGON_FAILURE, RFC_FAILURE, ""},
      {nwrfc::RFC_TIMEOUT, RFC_FAILURE, ""},
      {nwrfc::RFC_UNKNOWN_ERROR, RFC_FAILURE, ""},
  };
  for (const auto& c : cases) {
    ClassicResult result = classic_result(c.code, "KEY");
    EXPECT_EQ(result.code, c.classic) << rc_name(c.code);
    EXPECT_EQ(result.exception, c.exception) << rc_name(c.code);
  }
  EXPECT_STREQ(rc_name(nwrfc::RFC_AUTHORIZATION_FAILURE), "RFC_AUTHORIZATION_FAILURE");
  EXPECT_STREQ(rc_name(static_cast<nwrfc::RFC_RC>(30)), "RFC_UNKNOWN_ERROR");
  EXPECT_STREQ(group_name(nwrfc::EXTERNAL_AUTHORIZATION_FAILURE), "EXTERNAL_AUTHORIZATION_FAILURE");
}

TEST(SapCharactersTest, ConvertsBothWaysInOnePlace) {
  const std::string bytes = "Aa~ \xE4\xDF\x80\x9F\xFF";
  SapText wide = to_sap_text(bytes);
  ASSERT_EQ(wide.size(), bytes.size());
  EXPECT_EQ(static_cast<char16_t>(wide[4]), u'\u00E4');
  EXPECT_EQ(static_cast<char16_t>(wide[6]), u'\u20AC') << "the euro sign of code page 1252";
  EXPECT_EQ(static_cast<char16_t>(wide[7]), u'\u0178');
  EXPECT_EQ(from_sap_text(wide.c_str(), wide.size()), bytes);

  const nwrfc::SAP_UC no_single_byte[] = {'x', static_cast<nwrfc::SAP_UC>(0x4E2D), static_cast<nwrfc::SAP_UC>(0x0100),
                                          'y', 0, 'z'};
  EXPECT_EQ(from_sap_text(no_single_byte, 6), "x??y") << "up to the zero character";
  EXPECT_EQ(from_sap_text(no_single_byte, 2), "x?");
}

}  // namespace
}  // namespace quillar
