// The bridge from the classic operations to the NetWeaver SDK, played
// against the NetWeaver stand-in.
#include "rfc/nwrfc_bridge.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "fake_platform.h"
#include "platform/temp_drives.h"
#include "rfc/rfc_files.h"
#include "rfc/sap_characters.h"
#include "rfcsim/fresh_stand_ins.h"
#include "rfcsim_control.h"

namespace quillar {
namespace {

// What RfcLastError gives, as texts.
struct LastErrorText {
  std::string key, status, message, intstat;
};

const char kLandscape[] =
    "[BIN]\nashost = sapbin\nsysnr = 7\nclient = 100\nuser = RFCUSER\npassword = Secret#1\n"
    "lan = eth0 6789 5556 1 2 3 12345\nlan = lo 1 1 0 0 0 2\n"
    "[EXC]\nashost = sapexc\nsysnr = 0\nclient = 100\nuser = RFCUSER\npassword = Secret#1\n"
    "receive = exception NO_DATA_FOUND\n";

class BridgeTest : public testing::Test {
 protected:
  void SetUp() override { drives_.write("c/work/RfcSim.ini", kLandscape); }

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
  FreshStandIns stand_ins_;
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
  EXPECT_STREQ(error.key, "RFC_INVALID_PARAMETER");
  EXPECT_STREQ(error.message, "destination NONE has no ASHOST in SapRfc.ini");

  drives_.write("c/work/SapRfc.ini", "DEST=BIN\r\nSYSNR=7\r\nGWHOST=gw\r\n");
  EXPECT_EQ(bridge_.open_ex("CLIENT=100 USER=RFCUSER PASSWD=Secret#1 LANG=D DEST=BIN", &error), 0u);
  EXPECT_EQ(rfcsim::nw_seen().opens.size(), 1u) << "an entry without ASHOST, no logon";
  EXPECT_STREQ(error.message, "destination BIN has no ASHOST in SapRfc.ini");
}

// As the classic library: the destination comes from the file that RFC_INI
// names (a name in the working directory or a full path), otherwise from
// SapRfc.ini, and never from the other one.
TEST_F(BridgeTest, LogsOnByDestinationFromTheFileThatRfcIniNames) {
  drives_.write("c/work/SapRfc.ini", "DEST=BIN\r\nASHOST=sapbin\r\nSYSNR=7\r\n");
  drives_.write("c/work/Own.ini", "DEST=BIN\r\nASHOST=sapown\r\nSYSNR=7\r\n");
  drives_.write("d/elsewhere/own.ini", "DEST=BIN\r\nASHOST=sapfar\r\nSYSNR=7\r\n");
  const struct {
    const char* name;
    std::optional<std::string> rfc_ini;
    const char* ashost;
    const char* message;
  } cases[] = {
      {"unset", std::nullopt, "sapbin", nullptr},
      {"a name in the working directory", "Own.ini", "sapown", nullptr},
      {"a full path", "D:\\elsewhere\\own.ini", "sapfar", nullptr},
      {"a missing file", "missing.ini", nullptr, "destination BIN has no ASHOST in missing.ini"},
      // A run's own copy, gone by the time the message is read, is named as
      // the file the administrator can look at.
      {"a run's own copy without the destination", "SapRfc.4242.00000000000abcde.ini", nullptr,
       "destination BIN has no ASHOST in SapRfc.ini"},
  };
  for (const auto& c : cases) {
    FreshStandIns::forget();
    ScopedEnvironmentVariable rfc_ini(kDestinationsVariable, c.rfc_ini);
    RFC_ERROR_INFO_EX error{};
    bridge_.open_ex("CLIENT=100 USER=RFCUSER PASSWD=Secret#1 LANG=D DEST=BIN", &error);
    if (c.ashost == nullptr) {
      EXPECT_TRUE(rfcsim::nw_seen().opens.empty()) << c.name;
      EXPECT_STREQ(error.message, c.message) << c.name;
      continue;
    }
    ASSERT_EQ(rfcsim::nw_seen().opens.size(), 1u) << c.name;
    EXPECT_EQ(rfcsim::nw_seen().opens[0][0], (std::pair<std::string, std::string>("ashost", c.ashost))) << c.name;
  }
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
  EXPECT_EQ(rc_name(nwrfc::RFC_AUTHORIZATION_FAILURE), "RFC_AUTHORIZATION_FAILURE");
  EXPECT_EQ(rc_name(nwrfc::RFC_LOCKING_FAILURE), "RFC_LOCKING_FAILURE");
  EXPECT_EQ(rc_name(static_cast<nwrfc::RFC_RC>(41)), "RFC_RC 41");
  EXPECT_EQ(group_name(nwrfc::LOCKING_FAILURE), "LOCKING_FAILURE");
  EXPECT_EQ(group_name(static_cast<nwrfc::RFC_ERROR_GROUP>(11)), "RFC_ERROR_GROUP 11");
}

// A system whose dictionary may differ from the classic layout, and the
// call of GET_LAN_SINGLE as the sensor makes it, with its own structure.
class SdkTypesTest : public testing::Test {
 protected:
  static constexpr char kSystem[] =
      "[T]\nashost = sapt\nsysnr = 0\nclient = 100\nuser = RFCUSER\npassword = Secret#1\n";

  struct Received {
    RFC_RC code = RFC_OK;
    std::vector<std::string> rows;
    LastErrorText error;
    std::int32_t activeflag = -1;
    char lastcollwrt[25] = {};
  };

  // A new landscape, read by a stand-in that starts afresh, through a new
  // bridge: no handle of the forgotten state survives.
  void use_system(const std::string& lines) {
    bridge_.reset();
    drives_.write("c/work/RfcSim.ini", std::string(kSystem) + lines);
    FreshStandIns::forget();
    bridge_ = std::make_unique<NwRfcBridge>(platform_, sdk_);
  }

  RFC_HANDLE open() {
    RFC_CONNOPT_R3 server{const_cast<char*>("sapt"), 0, nullptr, nullptr};
    RFC_OPTIONS options{};
    options.connopt = &server;
    options.client = const_cast<char*>("100");
    options.user = const_cast<char*>("RFCUSER");
    options.password = const_cast<char*>("Secret#1");
    options.language = const_cast<char*>("E");
    return bridge_->open(&options);
  }

  RFC_ERROR_INFO last_error() {
    RFC_ERROR_INFO error{};
    bridge_->last_error(&error);
    return error;
  }

  // A logon to the stand-in itself, as the bridge makes it.
  static nwrfc::RFC_CONNECTION_HANDLE open_stand_in(nwrfc::RFC_ERROR_INFO& error) {
    const SapText names[] = {to_sap_text("ashost"), to_sap_text("sysnr"), to_sap_text("client"),
                             to_sap_text("user"), to_sap_text("passwd")};
    const SapText values[] = {to_sap_text("sapt"), to_sap_text("00"), to_sap_text("100"), to_sap_text("RFCUSER"),
                              to_sap_text("Secret#1")};
    nwrfc::RFC_CONNECTION_PARAMETER parameters[5];
    for (int k = 0; k < 5; ++k) parameters[k] = {names[k].c_str(), values[k].c_str()};
    return nwrfc::RfcOpenConnection(parameters, 5, &error);
  }

  // Calls and receives with the sensor's importing values, exporting areas
  // and table.
  Received call_lan_single(RFC_HANDLE handle, RFC_TYPE_ELEMENT* fields = kSensorRow, unsigned count = 10) {
    Received received;
    RFC_TYPEHANDLE type = 0;
    EXPECT_EQ(bridge_->install_structure("LAN_SINGLE", fields, count, &type), RFC_OK);
    ITAB_H table = bridge_->it_create("TF_LAN_SINGLE", 40, 0, 0);
    char local[] = "LOCAL ";
    std::string destination = "BIN";
    destination.resize(32, ' ');
    RFC_PARAMETER importing[] = {{"LOCAL_REMOTE", 12, TYPC, 6, local},
                                 {"LOGICAL_DESTINATION", 19, TYPC, 32, destination.data()},
                                 {nullptr, 0, 0, 0, nullptr}};
    RFC_TABLE tables[] = {{"TF_LAN_SINGLE", 13, type, 40, table, 0, 0}, {nullptr, 0, 0, 0, nullptr, 0, 0}};
    received.code = bridge_->call(handle, "GET_LAN_SINGLE", importing, tables);
    if (received.code == RFC_OK) {
      RFC_PARAMETER exporting[] = {{"ACTIVEFLAG", 10, TYPINT, 4, &received.activeflag},
                                   {"LASTCOLLWRT", 11, TYPC, 25, received.lastcollwrt},
                                   {nullptr, 0, 0, 0, nullptr}};
      char* exception = nullptr;
      received.code = bridge_->receive(handle, exporting, tables, &exception);
    }
    for (unsigned line = 1; line <= bridge_->it_fill(table); ++line) {
      received.rows.emplace_back(static_cast<const char*>(bridge_->it_get_line(table, line)), 40);
    }
    bridge_->it_delete(table);
    RFC_ERROR_INFO error = last_error();
    received.error = LastErrorText{error.key, error.status, error.message, error.intstat};
    return received;
  }

  static std::int32_t int_at(const std::string& row, std::size_t offset) {
    std::int32_t value;
    std::memcpy(&value, row.data() + offset, 4);
    return value;
  }
  static std::int16_t short_at(const std::string& row, std::size_t offset) {
    std::int16_t value;
    std::memcpy(&value, row.data() + offset, 2);
    return value;
  }

  static RFC_TYPE_ELEMENT kSensorRow[10];

  TempDrives drives_;
  FreshStandIns stand_ins_;
  std::unique_ptr<Platform> system_ = make_system_platform();
  ConsoleCapture platform_{*system_};
  NwRfcEntryPoints sdk_ = linked_nwrfc_entry_points();
  std::unique_ptr<NwRfcBridge> bridge_ = std::make_unique<NwRfcBridge>(platform_, sdk_);
};

RFC_TYPE_ELEMENT SdkTypesTest::kSensorRow[10] = {
    {"TYPE", TYPINT2, 2, 0, 0},       {"SUBTYPE", TYPINT2, 2, 0, 0},   {"SERIALNR", TYPINT2, 2, 0, 0},
    {"LANNAME", TYPC, 8, 0, 0},       {"IN_PACKETS", TYPINT, 4, 0, 0}, {"OUT_PACKET", TYPINT, 4, 0, 0},
    {"IN_ERRORS", TYPINT, 4, 0, 0},   {"OUT_ERRORS", TYPINT, 4, 0, 0}, {"COLLISIONS", TYPINT, 4, 0, 0},
    {"PACKETS", TYPINT, 4, 0, 0}};

// Each field is read by the type the SDK describes, then converted into the
// classic layout; what cannot be read or does not fit fails the call and
// names the field, never as a silent zero or blank.
TEST_F(SdkTypesTest, ReadsEachFieldByItsOwnTypeIntoTheClassicLayout) {
  const struct {
    const char* name;
    std::string lines;
    std::string lan_name;  // the row's LANNAME as the sensor reads it
    std::int32_t in_packets, packets;
    std::int16_t serial;
    std::string failure;  // the message of a failed call
  } cases[] = {
      {"the classic layout", "lan = eth0 6789 5556 1 2 3 12345\n", "eth0    ", 6789, 12345, 1, ""},
      {"a wider CHAR name", "field LANNAME = CHAR 16\nlan = eth0 6789 5556 1 2 3 12345\n", "eth0    ", 6789,
       12345, 1, ""},
      {"a name beyond the classic room, cut", "field LANNAME = CHAR 16\nlan = interface0123 1 2 3 4 5 6\n",
       "interfac", 1, 6, 1, ""},
      {"a NUMC name", "field LANNAME = NUMC 4\nlan = 42 1 2 3 4 5 6\n", "0042    ", 1, 6, 1, ""},
      {"NUMC counters", "field IN_PACKETS = NUMC 10\nfield PACKETS = NUMC 10\nlan = eth0 6789 5556 1 2 3 12345\n",
       "eth0    ", 6789, 12345, 1, ""},
      {"CHAR counters that hold digits", "field IN_PACKETS = CHAR 12\nlan = eth0 -6789 5556 1 2 3 12345\n",
       "eth0    ", -6789, 12345, 1, ""},
      {"INT8 counters", "field PACKETS = INT8 8\nlan = eth0 6789 5556 1 2 3 -2147483648\n", "eth0    ", 6789,
       INT32_MIN, 1, ""},
      {"INT, INT1 and NUMC where the classic layout has INT2",
       "field SERIALNR = INT 4\nfield TYPE = INT1 1\nfield SUBTYPE = NUMC 2\nlan = eth0 1 2 3 4 5 6\n", "eth0    ",
       1, 6, 1, ""},
      {"an INT8 counter beyond 32 bits", "field IN_PACKETS = INT8 8\nlan = eth0 4294967296 1 1 1 1 1\n", "", 0, 0,
       0, "TF_LAN_SINGLE-IN_PACKETS: RFC_CONVERSION_FAILURE"},
      {"a NUMC counter beyond 32 bits", "field PACKETS = NUMC 10\nlan = eth0 1 1 1 1 1 9999999999\n", "", 0, 0, 0,
       "TF_LAN_SINGLE-PACKETS: RFC_CONVERSION_FAILURE"},
      {"BCD and FLOAT counters, through the SDK's conversions",
       "field IN_PACKETS = BCD 8 2\nfield PACKETS = FLOAT 8\nfield SERIALNR = BCD 2 0\n"
       "lan = eth0 6789 5556 1 2 3 -12345\n",
       "eth0    ", 6789, -12345, 1, ""},
      {"a BCD name, as the SDK's characters", "field LANNAME = BCD 4 0\nlan = 42 1 2 3 4 5 6\n", "42      ", 1, 6, 1,
       ""},
      {"a BCD counter beyond 32 bits", "field IN_PACKETS = BCD 8 0\nlan = eth0 4294967296 1 1 1 1 1\n", "", 0, 0, 0,
       "TF_LAN_SINGLE-IN_PACKETS: RFC_CONVERSION_FAILURE"},
      {"a FLOAT counter beyond 32 bits", "field PACKETS = FLOAT 8\nlan = eth0 1 1 1 1 1 -2147483649\n", "", 0, 0, 0,
       "TF_LAN_SINGLE-PACKETS: RFC_CONVERSION_FAILURE"},
      {"a FLOAT name longer than the classic room, never cut", "field LANNAME = FLOAT 8\nlan = 42 1 2 3 4 5 6\n", "",
       0, 0, 0, "TF_LAN_SINGLE-LANNAME: RFC_CONVERSION_FAILURE"},
  };
  for (const auto& c : cases) {
    use_system(c.lines);
    Received received = call_lan_single(open());
    if (!c.failure.empty()) {
      EXPECT_EQ(received.code, RFC_FAILURE) << c.name;
      EXPECT_TRUE(received.rows.empty()) << c.name << ": no row of a failed call";
      EXPECT_EQ(received.error.message, c.failure) << c.name;
      EXPECT_EQ(received.error.key, "RFC_CONVERSION_FAILURE") << c.name;
      EXPECT_NE(drives_.read("c/work/Dev_Rfc.Trc").find("======> " + c.failure + "\n"), std::string::npos) << c.name;
      continue;
    }
    ASSERT_EQ(received.code, RFC_OK) << c.name << ": " << received.error.message;
    ASSERT_EQ(received.rows.size(), 1u) << c.name;
    const std::string& row = received.rows[0];
    EXPECT_EQ(row.substr(6, 8), c.lan_name) << c.name;
    EXPECT_EQ(int_at(row, 16), c.in_packets) << c.name;
    EXPECT_EQ(int_at(row, 36), c.packets) << c.name;
    EXPECT_EQ(short_at(row, 4), c.serial) << c.name;
    EXPECT_EQ(short_at(row, 0), 0) << c.name;
    EXPECT_EQ(received.activeflag, 1) << c.name;
    EXPECT_EQ(std::string(received.lastcollwrt, 25), "20261210064500" + std::string(11, ' ')) << c.name;
  }
}

// An SDK before release 7.50 has no RfcGetInt8: BCD and FLOAT fields are
// read through RfcGetInt, whose range is the classic field's anyway.
TEST_F(SdkTypesTest, ReadsBcdAndFloatWithoutRfcGetInt8) {
  sdk_.RfcGetInt8 = nullptr;
  const struct {
    const char* lines;
    RFC_RC code;
    std::int32_t in_packets;
  } cases[] = {
      {"field IN_PACKETS = BCD 8 0\nlan = eth0 -6789 1 1 1 1 1\n", RFC_OK, -6789},
      {"field IN_PACKETS = FLOAT 8\nlan = eth0 2147483647 1 1 1 1 1\n", RFC_OK, INT32_MAX},
      {"field IN_PACKETS = BCD 8 0\nlan = eth0 2147483648 1 1 1 1 1\n", RFC_FAILURE, 0},
  };
  for (const auto& c : cases) {
    use_system(c.lines);
    Received received = call_lan_single(open());
    EXPECT_EQ(received.code, c.code) << c.lines << received.error.message;
    if (c.code == RFC_OK) {
      ASSERT_EQ(received.rows.size(), 1u) << c.lines;
      EXPECT_EQ(int_at(received.rows[0], 16), c.in_packets) << c.lines;
    } else {
      EXPECT_EQ(received.error.message, "TF_LAN_SINGLE-IN_PACKETS: RFC_CONVERSION_FAILURE") << c.lines;
    }
  }
}

// The exporting parameters are read by their own types too.
TEST_F(SdkTypesTest, ReadsExportingParametersByTheirOwnTypes) {
  for (const char* lines : {"field ACTIVEFLAG = CHAR 1\nfield LASTCOLLWRT = NUMC 14\n",
                            "field ACTIVEFLAG = INT8 8\nfield LASTCOLLWRT = CHAR 40\n",
                            "field ACTIVEFLAG = NUMC 3\nfield LASTCOLLWRT = INT8 8\n",
                            "field ACTIVEFLAG = FLOAT 8\nfield LASTCOLLWRT = BCD 8 0\n",
                            "field ACTIVEFLAG = BCD 2 1\nfield LASTCOLLWRT = BCD 8 0\n"}) {
    use_system(lines);
    Received received = call_lan_single(open());
    ASSERT_EQ(received.code, RFC_OK) << lines << received.error.message;
    EXPECT_EQ(received.activeflag, 1) << lines;
    EXPECT_EQ(std::string(received.lastcollwrt, 25), "20261210064500" + std::string(11, ' ')) << lines;
  }
}

// An exporting parameter that cannot be read is left as the classic library
// leaves it, zero or blank, with a trace block; nothing reads it, so the
// call goes on.
TEST_F(SdkTypesTest, AnUnreadableExportingParameterIsLeftBlankAndTraced) {
  sdk_.RfcGetInt = [](nwrfc::DATA_CONTAINER_HANDLE container, const nwrfc::SAP_UC* name, nwrfc::RFC_INT* value,
                      nwrfc::RFC_ERROR_INFO* error) {
    if (from_sap_text(name, 64) == "ACTIVEFLAG") {
      error->code = nwrfc::RFC_CONVERSION_FAILURE;
      return nwrfc::RFC_CONVERSION_FAILURE;
    }
    return nwrfc::RfcGetInt(container, name, value, error);
  };
  bridge_ = std::make_unique<NwRfcBridge>(platform_, sdk_);
  use_system("lan = eth0 6789 5556 1 2 3 12345\n");
  Received received = call_lan_single(open());
  EXPECT_EQ(received.code, RFC_OK);
  EXPECT_EQ(received.activeflag, 0);
  EXPECT_EQ(received.rows.size(), 1u);
  EXPECT_NE(drives_.read("c/work/Dev_Rfc.Trc").find("======> ACTIVEFLAG: RFC_CONVERSION_FAILURE\n"),
            std::string::npos);
}

// Importing values are set by the SDK's type of their parameter.
TEST_F(SdkTypesTest, SetsImportingValuesByTheirOwnTypes) {
  const struct {
    const char* name;
    std::string lines;
    RFC_PARAMETER parameter;
    std::string seen;  // the value the SDK got; empty when the call fails
    std::string failure;
  } cases[] = {
      {"CHAR as in the classic layout", "", {"LOCAL_REMOTE", 12, TYPC, 6, const_cast<char*>("LOCAL ")}, "LOCAL ", ""},
      {"a wider CHAR", "field LOCAL_REMOTE = CHAR 10\n", {"LOCAL_REMOTE", 12, TYPC, 6, const_cast<char*>("LOCAL ")},
       "LOCAL ", ""},
      {"a narrower CHAR takes the characters before the blanks", "field LOCAL_REMOTE = CHAR 5\n",
       {"LOCAL_REMOTE", 12, TYPC, 6, const_cast<char*>("LOCAL ")}, "LOCAL", ""},
      {"a narrower CHAR that would lose characters", "field LOCAL_REMOTE = CHAR 4\n",
       {"LOCAL_REMOTE", 12, TYPC, 6, const_cast<char*>("LOCAL ")}, "", "LOCAL_REMOTE: RFC_CONVERSION_FAILURE"},
      {"INT2 by RfcSetInt2", "field ACTIVEFLAG = INT2 2\n", {"ACTIVEFLAG", 10, TYPINT, 4, nullptr}, "7", ""},
      {"INT1 by RfcSetInt1", "field ACTIVEFLAG = INT1 1\n", {"ACTIVEFLAG", 10, TYPINT, 4, nullptr}, "7", ""},
      {"INT8 by RfcSetInt8", "field ACTIVEFLAG = INT8 8\n", {"ACTIVEFLAG", 10, TYPINT, 4, nullptr}, "7", ""},
      {"NUMC by its digits", "field ACTIVEFLAG = NUMC 4\n", {"ACTIVEFLAG", 10, TYPINT, 4, nullptr}, "0007", ""},
      {"characters with digits into INT", "field LOCAL_REMOTE = INT 4\n",
       {"LOCAL_REMOTE", 12, TYPC, 6, const_cast<char*>("  42  ")}, "42", ""},
      {"characters without digits into INT", "field LOCAL_REMOTE = INT 4\n",
       {"LOCAL_REMOTE", 12, TYPC, 6, const_cast<char*>("LOCAL ")}, "", "LOCAL_REMOTE: RFC_CONVERSION_FAILURE"},
      {"an INT area narrower than an INT", "", {"ACTIVEFLAG", 10, TYPINT, 2, nullptr}, "",
       "ACTIVEFLAG: RFC_CONVERSION_FAILURE"},
      {"an INT2 area narrower than an INT2", "field ACTIVEFLAG = INT2 2\n", {"ACTIVEFLAG", 10, TYPINT2, 1, nullptr},
       "", "ACTIVEFLAG: RFC_CONVERSION_FAILURE"},
  };
  std::int32_t seven = 7;
  for (auto c : cases) {
    use_system(c.lines);
    RFC_HANDLE handle = open();
    if (c.parameter.addr == nullptr) c.parameter.addr = &seven;
    RFC_PARAMETER importing[] = {c.parameter, {nullptr, 0, 0, 0, nullptr}};
    RFC_RC code = bridge_->call(handle, "GET_LAN_SINGLE", importing, nullptr);
    if (c.failure.empty()) {
      EXPECT_EQ(code, RFC_OK) << c.name << ": " << last_error().message;
      EXPECT_EQ(rfcsim::nw_seen().parameters,
                (std::vector<std::pair<std::string, std::string>>{{c.parameter.name, c.seen}}))
          << c.name;
    } else {
      EXPECT_EQ(code, RFC_FAILURE) << c.name;
      EXPECT_STREQ(last_error().message, c.failure.c_str()) << c.name;
      EXPECT_TRUE(rfcsim::nw_seen().parameters.empty()) << c.name;
    }
  }
}

// Rows without an installed structure or an internal table to take them
// fail the call: an empty table would read as a system without LAN rows.
TEST_F(SdkTypesTest, ATableWithoutStructureOrInternalTableFailsTheCall) {
  use_system("lan = eth0 1 2 3 4 5 6\n");
  RFC_HANDLE handle = open();
  RFC_TYPEHANDLE installed = 0;
  ASSERT_EQ(bridge_->install_structure("LAN_SINGLE", kSensorRow, 10, &installed), RFC_OK);
  ITAB_H created = bridge_->it_create("TF_LAN_SINGLE", 40, 0, 0);
  const struct {
    const char* name;
    RFC_TYPEHANDLE type;
    ITAB_H table;
  } cases[] = {
      {"a structure never installed", installed + 1, created},
      {"an internal table never created", installed, reinterpret_cast<ITAB_H>(&installed)},
  };
  for (const auto& c : cases) {
    RFC_TABLE tables[] = {{"TF_LAN_SINGLE", 13, c.type, 40, c.table, 0, 0}, {nullptr, 0, 0, 0, nullptr, 0, 0}};
    ASSERT_EQ(bridge_->call(handle, "GET_LAN_SINGLE", nullptr, tables), RFC_OK) << c.name;
    char* exception = nullptr;
    EXPECT_EQ(bridge_->receive(handle, nullptr, tables, &exception), RFC_FAILURE) << c.name;
    EXPECT_STREQ(last_error().key, "RFC_INVALID_HANDLE") << c.name;
    EXPECT_STREQ(last_error().message, "table TF_LAN_SINGLE has no installed structure or internal table") << c.name;
  }
  EXPECT_EQ(bridge_->it_fill(created), 0u);
  bridge_->it_delete(created);
}

// What the SDK's documentation says of each result of RfcInvoke, written
// from its header and not from the stand-in or the bridge: the error group
// of the layer the header names for the result ("ABAP Message raised in
// ABAP function modules" for ABAP_RUNTIME_FAILURE); whether the SDK has
// closed the connection itself (RfcInvoke: "In these three cases the
// connection has been closed" for RFC_ABAP_MESSAGE, RFC_ABAP_RUNTIME_FAILURE
// and RFC_COMMUNICATION_FAILURE; RFC_CLOSED: "Connection closed by the
// other side"); and whether the bindings that wrap the SDK take the
// connection as lost (those, RFC_EXTERNAL_FAILURE, the codes 30 to 33 and
// every result of the groups ABAP_RUNTIME_FAILURE, LOGON_FAILURE,
// COMMUNICATION_FAILURE and EXTERNAL_RUNTIME_FAILURE).
struct DocumentedResult {
  int code;
  nwrfc::RFC_ERROR_GROUP group;
  bool sdk_closes;
  bool taken_as_closed;
};
const DocumentedResult kDocumentedResults[] = {
    {0, nwrfc::OK, false, false},                                  // RFC_OK
    {1, nwrfc::COMMUNICATION_FAILURE, true, true},                 // RFC_COMMUNICATION_FAILURE
    {2, nwrfc::LOGON_FAILURE, false, true},                        // RFC_LOGON_FAILURE
    {3, nwrfc::ABAP_RUNTIME_FAILURE, true, true},                  // RFC_ABAP_RUNTIME_FAILURE
    {4, nwrfc::ABAP_RUNTIME_FAILURE, true, true},                  // RFC_ABAP_MESSAGE
    {5, nwrfc::ABAP_APPLICATION_FAILURE, false, false},            // RFC_ABAP_EXCEPTION
    {6, nwrfc::COMMUNICATION_FAILURE, true, true},                 // RFC_CLOSED
    {7, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},             // RFC_CANCELED
    {8, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},             // RFC_TIMEOUT
    {9, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},             // RFC_MEMORY_INSUFFICIENT
    {10, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_VERSION_MISMATCH
    {11, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_INVALID_PROTOCOL
    {12, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_SERIALIZATION_FAILURE
    {13, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_INVALID_HANDLE
    {14, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_RETRY
    {15, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_EXTERNAL_FAILURE
    {16, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_EXECUTED
    {17, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_NOT_FOUND
    {18, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_NOT_SUPPORTED
    {19, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_ILLEGAL_STATE
    {20, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_INVALID_PARAMETER
    {21, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_CODEPAGE_CONVERSION_FAILURE
    {22, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_CONVERSION_FAILURE
    {23, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_BUFFER_TOO_SMALL
    {24, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_TABLE_MOVE_BOF
    {25, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_TABLE_MOVE_EOF
    {26, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_START_SAPGUI_FAILURE
    {27, nwrfc::ABAP_APPLICATION_FAILURE, false, false},           // RFC_ABAP_CLASS_EXCEPTION
    {28, nwrfc::EXTERNAL_RUNTIME_FAILURE, false, true},            // RFC_UNKNOWN_ERROR
    {29, nwrfc::EXTERNAL_AUTHORIZATION_FAILURE, false, false},     // RFC_AUTHORIZATION_FAILURE
    {30, nwrfc::EXTERNAL_AUTHENTICATION_FAILURE, false, true},     // RFC_AUTHENTICATION_FAILURE
    {31, nwrfc::CRYPTOLIB_FAILURE, false, true},                   // RFC_CRYPTOLIB_FAILURE
    {32, nwrfc::COMMUNICATION_FAILURE, false, true},               // RFC_IO_FAILURE
    {33, nwrfc::LOCKING_FAILURE, false, true},                     // RFC_LOCKING_FAILURE
};

// The stand-in closes a connection where the SDK documents that it does,
// and no more; the bridge asks nothing more on a connection that the SDK
// has closed, nor on one the bindings take as lost, and says so itself.
TEST_F(SdkTypesTest, ClosedConnectionsAsTheSdkDocumentsThemAndTheBindingsTakeThem) {
  for (const DocumentedResult& result : kDocumentedResults) {
    const auto code = static_cast<nwrfc::RFC_RC>(result.code);
    const std::string name = rc_name(code);
    use_system("receive = code " + std::to_string(result.code) + "\nlan = eth0 1 2 3 4 5 6\n");

    nwrfc::RFC_ERROR_INFO error{};
    nwrfc::RFC_CONNECTION_HANDLE connection = open_stand_in(error);
    ASSERT_NE(connection, nullptr) << name;
    nwrfc::RFC_FUNCTION_HANDLE function = nwrfc::RfcCreateFunction(
        nwrfc::RfcGetFunctionDesc(connection, to_sap_text("GET_LAN_SINGLE").c_str(), &error), &error);
    EXPECT_EQ(nwrfc::RfcInvoke(connection, function, &error), code) << name;
    EXPECT_EQ(error.group, result.group) << name;
    nwrfc::RfcDestroyFunction(function, &error);
    EXPECT_EQ(nwrfc::RfcCloseConnection(connection, &error),
              result.sdk_closes ? nwrfc::RFC_INVALID_HANDLE : nwrfc::RFC_OK)
        << name << ": the stand-in has closed it itself, or not";

    EXPECT_EQ(closes_connection(code, result.group), result.taken_as_closed) << name;
    RFC_HANDLE handle = open();
    const Received first = call_lan_single(handle);
    const Received again = call_lan_single(handle);
    if (result.taken_as_closed) {
      EXPECT_EQ(again.code, RFC_FAILURE) << name;
      EXPECT_EQ(again.error.key, "RFC_CLOSED") << name;
      EXPECT_EQ(again.error.message, "connection " + std::to_string(handle) +
                                         " is closed: an earlier call ended in a failure that closes it")
          << name;
    } else {
      EXPECT_EQ(again.code, first.code) << name << ": the connection is used again";
    }
    const int closes_before = rfcsim::nw_seen().closes;
    bridge_->close(handle);
    EXPECT_EQ(rfcsim::nw_seen().closes - closes_before, result.taken_as_closed ? 0 : 1)
        << name << ": a connection taken as closed is not closed again";
    EXPECT_EQ(bridge_->open_connections(), 0u) << name;
  }
}

// The later patch levels' codes and groups have their names; a number
// without one shows as the number.
TEST_F(SdkTypesTest, NamesTheCodesOfLaterPatchLevels) {
  const struct {
    int code;
    const char* status;
    const char* group;
  } cases[] = {
      {30, "RFC_AUTHENTICATION_FAILURE", "EXTERNAL_AUTHENTICATION_FAILURE"},
      {31, "RFC_CRYPTOLIB_FAILURE", "CRYPTOLIB_FAILURE"},
      {32, "RFC_IO_FAILURE", "COMMUNICATION_FAILURE"},
      {33, "RFC_LOCKING_FAILURE", "LOCKING_FAILURE"},
      {41, "RFC_RC 41", "EXTERNAL_RUNTIME_FAILURE"},
  };
  for (const auto& c : cases) {
    use_system("receive = code " + std::to_string(c.code) + "\n");
    Received received = call_lan_single(open());
    EXPECT_EQ(received.code, RFC_FAILURE) << c.code;
    EXPECT_EQ(received.error.status, c.status) << c.code;
    EXPECT_EQ(received.error.intstat, c.group) << c.code;
    EXPECT_EQ(received.error.message, "RfcReceive failed with code " + std::to_string(c.code)) << c.code;
  }
}

// An unknown function module is an ABAP exception of the SDK; a field the
// system does not have, an invalid parameter; each fails the call.
TEST_F(SdkTypesTest, UnknownFunctionsAndFieldsFailTheCall) {
  use_system("lan = eth0 1 2 3 4 5 6\n");
  RFC_HANDLE handle = open();
  char local[] = "LOCAL ";
  RFC_PARAMETER importing[] = {{"LOCAL_REMOTE", 12, TYPC, 6, local}, {nullptr, 0, 0, 0, nullptr}};
  EXPECT_EQ(bridge_->call(handle, "RFC_PING", importing, nullptr), RFC_FAILURE);
  RFC_ERROR_INFO error = last_error();
  EXPECT_STREQ(error.key, "FU_NOT_FOUND");
  EXPECT_STREQ(error.status, "RFC_ABAP_EXCEPTION");
  EXPECT_STREQ(error.intstat, "ABAP_APPLICATION_FAILURE");

  RFC_PARAMETER unknown[] = {{"LOCAL_REMOTE_X", 14, TYPC, 6, local}, {nullptr, 0, 0, 0, nullptr}};
  EXPECT_EQ(bridge_->call(handle, "GET_LAN_SINGLE", unknown, nullptr), RFC_FAILURE);
  EXPECT_STREQ(last_error().message, "LOCAL_REMOTE_X: RFC_INVALID_PARAMETER");

  RFC_TYPE_ELEMENT with_unknown_field[] = {{"LANNAME", TYPC, 8, 0, 0}, {"IN_PACKETZ", TYPINT, 4, 0, 0}};
  Received received = call_lan_single(handle, with_unknown_field, 2);
  EXPECT_EQ(received.code, RFC_FAILURE);
  EXPECT_EQ(received.error.message, "TF_LAN_SINGLE-IN_PACKETZ: RFC_INVALID_PARAMETER");
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
