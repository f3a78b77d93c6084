// Whole runs against the stand-in RFC library: each case's expected standard
// output is a file in expected/, named after the case.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "e2e/e2e_support.h"

namespace quillar::e2e {
namespace {

std::string system(const std::string& name, const std::string& host, const std::string& sysnr,
                   const std::string& more) {
  return "[" + name + "]\nashost = " + host + "\nsysnr = " + sysnr +
         "\nclient = 100\nuser = RFCUSER\npassword = Secret#1\n" + more;
}

const std::string kLandscape =
    "; the systems of the end-to-end runs\n" +
    system("BIN", "sapbin", "00", "lan = eth0 6789 5556 0 0 0 12345\nlan = lo 10 10 0 0 0 20\nlan = ETH1 1 2 3 4 5 6\n") +
    system("QAS", "sapqas", "01", "lan = eth0 1000 2000 7 8 9 3000\n") +
    system("DEV", "sapdev", "02", "") + "password = other\n" +
    system("ERR1", "saperr", "11", "receive = failure\n") +
    system("ERR2", "saperr", "12", "receive = exception NO_DATA_FOUND\n") +
    system("ERR3", "saperr", "13", "receive = sys-exception SYSTEM_FAILURE\n") +
    system("ERR7", "saperr", "17", "receive = code 7\n") +
    system("ABORT", "saperr", "20", "abort = RfcCall\n") +
    system("FIS", "sapfail", "31", "fail = RfcInstallStructure\nlan = eth0 1 2 3 4 5 6\n") +
    system("FIC", "sapfail", "32", "fail = ItCreate\nlan = eth0 1 2 3 4 5 6\n") +
    system("FIG", "sapfail", "33", "fail = ItGetLine\nlan = eth0 1 2 3 4 5 6\n") +
    system("FID", "sapfail", "34", "fail = ItDelete\nlan = eth0 1 2 3 4 5 6\n") +
    system("AOP", "sapfail", "41", "abort = RfcOpen\n") + system("AOX", "sapfail", "42", "abort = RfcOpenEx\n") +
    system("ARC", "sapfail", "44", "abort = RfcReceive\n") +
    system("EX81", "saperr", "81", "receive = exception " + std::string(81, 'E') + "\n") +
    system("EX82", "saperr", "82", "receive = exception " + std::string(82, 'E') + "\n") +
    system("HANG", "saphang", "50", "hang = RfcOpen\n") + system("SLOW", "sapslow", "51", "delay = 300\nlan = eth0 1 2 3 4 5 6\n") +
    // BIN's rows in a dictionary whose types are not the classic layout's.
    system("NUMC", "sapnumc", "60",
           "field LANNAME = CHAR 16\nfield IN_PACKETS = NUMC 10\nfield OUT_PACKET = NUMC 10\n"
           "field IN_ERRORS = NUMC 10\nfield OUT_ERRORS = NUMC 10\nfield COLLISIONS = NUMC 10\n"
           "field PACKETS = NUMC 10\nlan = eth0 6789 5556 0 0 0 12345\nlan = lo 10 10 0 0 0 20\n"
           "lan = ETH1 1 2 3 4 5 6\n");

// The failing systems of the stand-in, each with its profile and a global
// sensor of the same key that measures PRD first; FIS comes first itself,
// since LAN_SINGLE is described to the library only once per run. Each ends
// the run with the RFC error report of its operation. Behind the bridge to
// the NetWeaver SDK, the function of the SDK that breaks down names itself
// in the report; the internal tables are the bridge's own, so the failures
// of the classic library's table operations have no counterpart there.
struct FailingSystem {
  const char* name;
  const char* sysnr;
  const char* operation;
  const char* key;
  const char* message;
  const char* sdk_function;
};
const FailingSystem kFailingSystems[] = {
    {"FIS", "31", "RfcInstallStructure", "RFC_ERROR_PROGRAM", "structure LAN_SINGLE not installed", nullptr},
    {"FIC", "32", "ItCreate TF_LAN_SINGLE", "RFC_ERROR_MEMORY", "no memory for table TF_LAN_SINGLE", nullptr},
    {"FIG", "33", "ItGetLine TF_LAN_SINGLE", "RFC_ERROR_PROGRAM", "line 1 of the table not found", nullptr},
    {"FID", "34", "ItDelete TF_LAN_SINGLE", "RFC_ERROR_MEMORY", "table could not be freed", nullptr},
    {"AOP", "41", "RfcOpen", "RFC_ERROR_SYSTEM_FAILURE", "RfcOpen broke down", "RfcOpenConnection"},
    {"AOX", "42", "RfcOpenEx", "RFC_ERROR_SYSTEM_FAILURE", "RfcOpenEx broke down", "RfcOpenConnection"},
    {"ARC", "44", "RfcReceive", "RFC_ERROR_SYSTEM_FAILURE", "RfcReceive broke down", "RfcInvoke"},
    {"ABORT", "20", "RfcCall", "RFC_ERROR_SYSTEM_FAILURE", "RfcCall broke down", "RfcGetFunctionDesc"},
};

std::string rfc_error_report(const FailingSystem& failing) {
  const bool bridged = behind_netweaver_bridge();
  const std::string status = bridged ? "RFC_ILLEGAL_STATE" : "CONNECTED";
  const std::string message = bridged ? std::string(failing.sdk_function) + " broke down" : failing.message;
  const std::string intstat = bridged ? "EXTERNAL_RUNTIME_FAILURE" : "RFCIO_ERROR_MESSAGE";
  return std::string("RFC error\noperation/code  : ") + failing.operation + "\nkey             : " + failing.key +
         "\nstatus          : " + status + "\nmessage         : " + message +
         "\ninternal status : " + intstat + "\n\n* Programm aborted...\n";
}

// The global run's output before its report: the head, PRD's channel (FIS
// fails before it), and the channel of a system that fails only when it
// releases its rows.
std::string global_output_before_report(const FailingSystem& failing) {
  const std::string name = failing.name;
  std::string output = "\n<Prtg>\n\n";
  if (name != "FIS") output += "\n<Result><Channel>PRD.P00</Channel>\n<Value>3</Value></Result>\n";
  if (name == "FID") output += "\n<Result><Channel>FID.P00</Channel>\n<Value>3</Value></Result>\n";
  return output;
}

std::string sensor_line(const std::string& key, const std::string& parameters) {
  std::string line = "# GSNX: " + key;
  line.resize(19, ' ');
  return line + parameters + "\r\n";
}

std::string server_line(const std::string& key, const std::string& entries) {
  std::string line = "# GSNG: " + key;
  line.resize(20, ' ');
  return line + entries + "\r\n";
}

// Valid, missing, invalid, refused and failing systems, and a logon by
// destination file.
const std::string kMixedListing = "PRD.P00#MISSING.P00#BAD.P00#DEV.P00#ERR1.P00#QAS.P00#SLOW.P00#";

const std::string kGlobalProfile =
    server_line("S1", "PRD.P00#QAS.P00#") + sensor_line("S1", "Sensor=\"SAP Quillar\" Item=In-Packets/Sec,Profile") +
    server_line("S2", "PRD.P00#QAS.P00#") + sensor_line("S2", "Sensor=\"SAP Quillar\" Item=Out-Errors,Alias") +
    server_line("S3", "PRD.P00#QAS.P00#") + sensor_line("S3", "Sensor=\"SAP Quillar\" Item=Packets/Sec,Host") +
    server_line("S4", "PRD.P00#QAS.P00#") + sensor_line("S4", "LAN=eth0 Sensor=\"SAP Quillar\" Item=Packets/Sec,Sid") +
    server_line("S5", "PRD.P00#MISSING.P00#BAD.P00#DEV.P00#") + server_line("S5", "ERR2.P00#QAS.P00") +
    sensor_line("S5", "LAN=eth0 Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("S6", "DEV.P00#ERR1.P00#") + sensor_line("S6", "Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("S7", "PRD.P00#QAS.P00#") + sensor_line("S7", "MODE:Tolvane,CH=2 Sensor=\"SAP Quillar\" Item=Collision(s)") +
    server_line("FIS", "FIS.P00#PRD.P00#") + sensor_line("FIS", "Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("FIC", "PRD.P00#FIC.P00#") + sensor_line("FIC", "Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("FIG", "PRD.P00#FIG.P00#") + sensor_line("FIG", "Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("FID", "PRD.P00#FID.P00#") + sensor_line("FID", "Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("AOP", "PRD.P00#AOP.P00#") + sensor_line("AOP", "Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("AOX", "PRD.P00#AOX.P00#") + sensor_line("AOX", "Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("ABORT", "PRD.P00#ABORT.P00#") + sensor_line("ABORT", "Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("ARC", "PRD.P00#ARC.P00#") + sensor_line("ARC", "Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("XML", "R&D.P00#WIDE.P00#BOM.P00#") + sensor_line("XML", "Sensor=\"SAP Quillar\" Item=Packets/Sec") +
    server_line("M0", kMixedListing) + sensor_line("M0", "LAN=eth0 Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("M1", kMixedListing) +
    sensor_line("M1", "LAN=eth0,PARALLEL=3,DEADLINE=20 Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("CH1", "PRD.P00#QAS.P00#") + sensor_line("CH1", "CH=1 Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("F1", kMixedListing) + sensor_line("F1", "LAN=eth0,FAILED Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("F2", kMixedListing) + sensor_line("F2", "CH=4,failed Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("F3", "PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#DEV.P00#") +
    sensor_line("F3", "LAN=eth0,FAILED Sensor=\"SAP Quillar\" Item=Packets/Sec") +
    server_line("AT", "PRD.P00#") + sensor_line("AT", "LAN=eth0 @note,DEADLINE=5 Sensor=\"SAP Quillar\" Item=In-Errors");

// Outside the PRTG mode the global profile is opened where it is named.
const std::string kGlobalInSensors = "C:\\e2e\\ExeXml\\GLOBAL";

struct RunCase {
  std::string name;
  std::vector<std::string> arguments;
  int exit_code;
  // The text of the error document the case ends in; without it, the output
  // is the file expected/<name>.txt.
  std::string error_text = "";
};

class ProcessingEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    const std::string sensors = "C:\\e2e\\ExeXml\\";
    host().write_file("C:\\PRTG_Path.Txt", "C:\\e2e\\ExeXml\\\r\n");
    host().write_file("C:\\e2e\\run\\RfcSim.ini", kLandscape);
    host().write_file("C:\\e2e\\run\\SapRfc.QAS", "DEST=QAS\r\nTYPE=A\r\nASHOST=sapqas\r\nSYSNR=01\r\n");
    host().write_file(sensors + "PRD.P00", profile("BIN", "100", "sapbin", "00"));
    host().write_file(sensors + "QAS.P00", profile("QAS", "100", "sapqas", "01"));
    host().write_file(sensors + "DEV.P00", profile("DEV", "100", "sapdev", "02"));
    host().write_file(sensors + "BAD.P00", profile("BAD", "100", "sapbin", "00", "not scrambled"));
    for (const char* code : {"1", "2", "3", "7"}) {
      host().write_file(sensors + "ERR" + code + ".P00", profile(std::string("ERR") + code, "100", "saperr", std::string("1") + code));
    }
    host().write_file(sensors + "ABORT.P00", profile("ABORT", "100", "saperr", "20"));
    host().write_file(sensors + "HANG.P00", profile("HANG", "100", "saphang", "50"));
    host().write_file(sensors + "SLOW.P00", profile("SLOW", "100", "sapslow", "51"));
    for (const FailingSystem& failing : kFailingSystems) {
      if (std::string(failing.name) == "ABORT") continue;
      host().write_file(sensors + failing.name + ".P00", profile(failing.name, "100", "sapfail", failing.sysnr));
    }
    host().write_file("C:\\e2e\\run\\SapRfc.AOX", "DEST=AOX\r\nTYPE=A\r\nASHOST=sapfail\r\nSYSNR=42\r\n");
    host().write_file(sensors + "SAP Orvanta.Gbl", kGlobalProfile);
    host().write_file(sensors + "Orvanta.Prf", "# Gsng: ITEM form   PRD.P00#QAS.P00#\r\n");
  }
  void TearDown() override { host().clear_files(); }

  void expect_output(const std::vector<std::string>& arguments, const std::string& output, int exit_code) {
    ProcessResult result = host().run(arguments, "C:\\e2e\\run");
    const std::string shown = testing::PrintToString(arguments);
    EXPECT_EQ(result.standard_output, host().console_form(output)) << shown;
    EXPECT_EQ(result.exit_code, exit_code) << shown;
    EXPECT_EQ(result.standard_error, "") << shown;
  }

  void expect_case(const RunCase& c) {
    ProcessResult result = host().run(c.arguments, "C:\\e2e\\run");
    std::string expected = c.error_text.empty() ? expected_output(c.name) : error_document(c.error_text);
    if (c.error_text.empty()) record_output(c.name, with_times_masked(result.standard_output));
    EXPECT_EQ(with_times_masked(result.standard_output), host().console_form(expected)) << c.name;
    EXPECT_EQ(result.exit_code, c.exit_code) << c.name;
    EXPECT_EQ(result.standard_error, "") << c.name;
  }
};

TEST_F(ProcessingEndToEnd, SingleSystemRuns) {
  const std::string prd = "C:\\e2e\\ExeXml\\PRD";
  const RunCase cases[] = {
      {"single_exexml", {"PRD"}, 0},
      {"single_quendal", {prd, "MODE=Quendal"}, 0},
      {"single_dravik", {prd, "MODE=Dravik"}, 0},
      {"single_mervesk", {prd, "MODE=Mervesk"}, 0},
      {"single_tolvane", {prd, "MODE=Tolvane"}, 0},
      {"single_lan_match", {"PRD", "lan=Eth1"}, 0},
      {"single_lan_no_match", {"PRD", "LAN=ppp0"}, 0},
      {"single_ch_selection", {prd, "MODE=Tolvane,ch=2"}, 0},
      {"single_ch_no_such_channel", {prd, "MODE=Tolvane,CH=9"}, 0},
      {"single_destination_file", {"QAS"}, 0},
      {"single_trace", {"PRD", "LAN=eth0 #trace"}, 0},
      {"single_error_1011", {"DEV"}, 2, "Error 1011: RFC-Open for DEV failed !"},
      {"single_error_1014", {"ERR1"}, 2, "Error 1014: RFC-Failure raised ! - RfcReceive failed with code 1"},
      {"single_error_1012", {"ERR2"}, 2, "Error 1012: Exception.: NO_DATA_FOUND - Exception NO_DATA_FOUND raised"},
      {"single_error_1013", {"ERR3"}, 2, "Error 1013: Sys-Exception raised ! - System exception SYSTEM_FAILURE raised"},
      // Behind the bridge, every result of the SDK but the exceptions and the
      // failures of the system or the connection is a plain failure.
      {"single_error_1015", {"ERR7"}, 2,
       behind_netweaver_bridge() ? "Error 1014: RFC-Failure raised ! - RfcReceive failed with code 7"
                                 : "Error 1015: Other Failure raised ! - RfcReceive failed with code 7"},
  };
  for (const RunCase& c : cases) expect_case(c);
}

// NUMC counters and a wider LANNAME read as the classic layout's fields.
TEST_F(ProcessingEndToEnd, OtherDictionaryTypesGiveTheSameDocument) {
  host().write_file("C:\\e2e\\ExeXml\\NUMC.P00", profile("BIN", "100", "sapnumc", "60"));
  expect_case({"single_exexml", {"NUMC"}, 0});
}

TEST_F(ProcessingEndToEnd, TheTraceFileGoesAfterASuccessOnly) {
  host().write_file("C:\\e2e\\run\\Dev_Rfc.Trc", "old trace\n");
  EXPECT_EQ(host().run({"ERR1"}, "C:\\e2e\\run").exit_code, 2);
  EXPECT_TRUE(std::filesystem::exists(host().local_path("C:\\e2e\\run\\Dev_Rfc.Trc")));
  EXPECT_EQ(host().run({"PRD"}, "C:\\e2e\\run").exit_code, 0);
  EXPECT_FALSE(std::filesystem::exists(host().local_path("C:\\e2e\\run\\Dev_Rfc.Trc")));
}

TEST_F(ProcessingEndToEnd, GlobalRuns) {
  const RunCase cases[] = {
      {"global_profile_names", {"GLOBAL", "S1"}, 0},
      {"global_alias_names", {"global", "s2"}, 0},
      {"global_host_names", {"GLOBAL", "S3"}, 0},
      {"global_destination_names", {"GLOBAL", "S4"}, 0},
      {"global_failures_traced", {"GLOBAL", "S5 #"}, 0},
      {"global_all_failing", {"GLOBAL", "S6"}, 0},
      {"global_options_of_the_sensor_line", {"C:\\e2e\\ExeXml\\GLOBAL", "S7 MODE=Tolvane"}, 0},
      {"item_form", {"PRD", "lan=eth0 ITEM=In-Packets/Sec"}, 0},
      // The destination line of QAS begins a line of its own after a value
      // line, and after a selected value.
      {"global_destination_line_in_value_lines", {kGlobalInSensors, "M0 MODE=Tolvane"}, 0},
      {"global_destination_line_in_statistic_lines", {kGlobalInSensors, "M0 MODE=Mervesk"}, 0},
      {"global_destination_line_after_a_selected_value", {kGlobalInSensors, "CH1 MODE=Tolvane"}, 0},
      // What stands after " @" on the sensor line is no option of the run.
      {"global_options_end_at_the_at_sign", {"GLOBAL", "AT"}, 0},
  };
  for (const RunCase& c : cases) expect_case(c);
}

// ,FAILED adds a channel with the count of failed systems after the systems'
// channels; it counts like any channel, and a single-system run ignores it.
TEST_F(ProcessingEndToEnd, TheFailedSystemsChannel) {
  const RunCase cases[] = {
      {"global_failed_channel", {"GLOBAL", "F1"}, 0},
      {"global_failed_channel_in_statistic_lines", {kGlobalInSensors, "F1 MODE=Mervesk"}, 0},
      {"global_failed_channel_in_value_lines", {kGlobalInSensors, "F1 MODE=Tolvane"}, 0},
      {"global_failed_channel_selected", {kGlobalInSensors, "F2 MODE=Tolvane"}, 0},
      {"global_failed_channel_beyond_ten_statistic_lines", {kGlobalInSensors, "F3 MODE=Mervesk"}, 0},
      {"item_form_failed_channel", {"PRD", "ITEM=In-Errors,Failed #"}, 0},
      {"single_exexml", {"PRD", ",FAILED"}, 0},
  };
  for (const RunCase& c : cases) expect_case(c);
}

// Markup in names and texts is escaped in the XML framings and kept in the
// line framings; Notepad's byte order mark is skipped, UTF-16 is refused.
TEST_F(ProcessingEndToEnd, DocumentsStayWellFormedWhateverTheFilesHold) {
  const std::string sensors = "C:\\e2e\\ExeXml\\";
  host().write_file(sensors + "ESC.P00", profile("<%s&>", "100", "sapbin", "00"));
  host().write_file(sensors + "R&D.P00", profile("BIN", "100", "sapbin", "00"));
  host().write_file(sensors + "BOM.P00", "\xEF\xBB\xBF" + profile("BIN", "100", "sapbin", "00"));
  std::string wide;
  for (char c : profile("BIN", "100", "sapbin", "00")) wide += std::string{c, '\0'};
  host().write_file(sensors + "WIDE.P00", "\xFF\xFE" + wide);
  host().write_file(sensors + "NOMARK.P00", wide);
  // Every byte from 0x80 on, in channel names (the profiles' host names) and
  // in an option (the item of the sensor line).
  std::string high;
  for (int byte = 0x80; byte <= 0xFF; ++byte) high += static_cast<char>(byte);
  std::string hosts_listing;
  for (int part = 0; part < 3; ++part) {
    const std::string name = "HIGH" + std::to_string(part) + ".P00";
    host().write_file(sensors + name, profile("BIN", "100", high.substr(part * 43, 43), "00"));
    hosts_listing += name + "#";
  }
  host().write_file(sensors + "SAP Orvanta.Gbl",
                    kGlobalProfile + server_line("HIGH", hosts_listing) +
                        sensor_line("HIGH", ",HOST=sapbin Sensor=\"SAP Quillar\" Item=Packets/Sec,Host") +
                        server_line("ITEM1", "PRD.P00#") +
                        sensor_line("ITEM1", "Sensor=\"SAP Quillar\" Item=" + high.substr(0, 64)) +
                        server_line("ITEM2", "PRD.P00#") +
                        sensor_line("ITEM2", "Sensor=\"SAP Quillar\" Item=" + high.substr(64)));
  host().write_file(sensors + "Orvanta.Prf", "\xEF\xBB\xBF# Gsng: ITEM form   PRD.P00#\r\n");

  const RunCase cases[] = {
      {"xml_destination_escaped", {"ESC"}, 0},
      {"xml_destination_as_typed_in_lines", {sensors + "ESC", "MODE=Mervesk"}, 0},
      {"xml_global_channel_escaped", {"GLOBAL", "XML"}, 0},
      {"xml_item_escaped", {"PRD", "ITEM=In-Errors&x"}, 0},
      {"bom_profile", {"BOM"}, 0},
      {"utf16_profile", {"WIDE"}, 2, "Error 1009: File WIDE.P00 is saved as UTF-16, save it as ANSI or UTF-8..."},
      {"utf16_profile_without_a_mark", {"NOMARK"}, 2,
       "Error 1009: File NOMARK.P00 is saved as UTF-16, save it as ANSI or UTF-8..."},
      {"xml_high_bytes_in_channel_names", {"GLOBAL", "HIGH"}, 0},
      {"xml_high_bytes_in_channel_names_as_typed_in_lines", {kGlobalInSensors, "HIGH MODE=Mervesk"}, 0},
      {"xml_high_bytes_in_an_option_first_half", {"GLOBAL", "ITEM1"}, 0},
      {"xml_high_bytes_in_an_option_second_half", {"GLOBAL", "ITEM2"}, 0},
  };
  for (const RunCase& c : cases) expect_case(c);
}

// Every bounded text at its limit and one past it.
TEST_F(ProcessingEndToEnd, CapacitiesAreCutOrRefusedAsDocumented) {
  const std::string sensors = "C:\\e2e\\ExeXml\\";
  auto with_entry = [](const std::string& label, const std::string& value) {
    return profile("BIN", "100", "sapbin", "00") + label + " " + value + "\r\n";
  };
  host().write_file(sensors + "DEST11.P00", with_entry("Destination:", "BINBINBINBI"));
  host().write_file(sensors + "DEST12.P00", with_entry("Destination:", "BINBINBINBIN"));
  host().write_file(sensors + "USER47.P00", with_entry("User.......:", std::string(47, 'u')));
  host().write_file(sensors + "USER48.P00", with_entry("User.......:", std::string(48, 'u')));
  std::string no_user = profile("BIN", "100", "sapbin", "00");
  no_user.erase(no_user.find("User"), no_user.find('\n', no_user.find("User")) + 1 - no_user.find("User"));
  host().write_file(sensors + "LINE98.P00", no_user + std::string(98, ';') + "User.......: rfcuser\r\n");
  host().write_file(sensors + "LINE99.P00", no_user + std::string(99, ';') + "User.......: rfcuser\r\n");
  host().write_file(sensors + "EX81.P00", profile("EX81", "100", "saperr", "81"));
  host().write_file(sensors + "EX82.P00", profile("EX82", "100", "saperr", "82"));
  host().write_file(sensors + std::string(39, 'C') + ".P00", profile("BIN", "100", "sapbin", "00"));
  host().write_file(sensors + std::string(40, 'C') + ".P00", profile("BIN", "100", "sapbin", "00"));
  // Without a trace file to read, the remark is " - Look for Trace-File".
  host().write_file("C:\\e2e\\run\\Dev_Rfc.Trc\\folder", "");

  const std::string prd = "C:\\e2e\\ExeXml\\PRD";
  const RunCase cases[] = {
      {"capacity_options_127", {prd, "MODE=Tolvane,CH=1 " + std::string(109, 'o')}, 0},
      {"capacity_options_128", {prd, "MODE=Tolvane,CH=1 " + std::string(110, 'o')}, 2, "Error 1044: Parameters longer than 127 characters..."},
      {"capacity_profile_name_63", {std::string(59, 'N'), "MODE=Mervesk"}, 2, "Error 1002: Profile " + std::string(59, 'N') + ".P00 is missing..."},
      {"capacity_profile_name_64", {std::string(60, 'N'), "MODE=Mervesk"}, 2, "Error 1042: Profile-Name longer than 63 characters..."},
      {"capacity_directory_95", {"C:\\" + std::string(91, 'd') + "\\PRD", "MODE=Mervesk"}, 2, "Error 1002: Profile C:\\" + std::string(91, 'd') + "\\PRD.P00 is missing..."},
      {"capacity_directory_96", {"C:\\" + std::string(92, 'd') + "\\PRD", "MODE=Mervesk"}, 2, "Error 1043: Profile-Directory longer than 95 characters..."},
      {"capacity_item_90", {"PRD", "ITEM=" + std::string(90, 'I')}, 0},
      {"capacity_item_91", {"PRD", "ITEM=" + std::string(91, 'I')}, 0},
      {"capacity_destination_11", {sensors + "DEST11", "MODE=Tolvane,CH=6"}, 0},
      {"capacity_destination_12", {sensors + "DEST12", "MODE=Tolvane,CH=6"}, 2, "Error 1008: Too long Parameter(s) at DEST12.P00 found..."},
      {"capacity_user_47", {"USER47"}, 2, "Error 1011: RFC-Open for BIN failed !"},
      {"capacity_user_48", {"USER48"}, 2, "Error 1008: Too long Parameter(s) at USER48.P00 found..."},
      {"capacity_profile_line_98", {sensors + "LINE98", "MODE=Tolvane,CH=6"}, 2, "Error 1006: Username in Profile LINE98.P00 is missing..."},
      {"capacity_profile_line_99", {sensors + "LINE99", "MODE=Tolvane,CH=6"}, 0},
      {"capacity_error_text_127", {"EX81"}, 2, "Error 1012: Exception.: " + std::string(81, 'E') + " - Look for Trace-File"},
      {"capacity_error_text_128", {"EX82"}, 2, "Error 1012: Exception.: " + std::string(82, 'E') + " - Look for Trace-Fil"},
  };
  for (const RunCase& c : cases) expect_case(c);

  // The server listing holds 2047 characters: 204 names of ten and one of
  // seven fill it; a name of eight in its place does not fit and is dropped.
  std::string names;
  for (int i = 0; i < 204; ++i) names += "M" + std::string(4 - std::to_string(i).size(), '0') + std::to_string(i) + ".P00#";
  const std::string long_names = std::string(39, 'C') + ".P00#" + std::string(40, 'C') + ".P00#";
  const struct {
    const char* name;
    std::string entries;
  } listings[] = {
      {"capacity_listing_2047", names + "XY.P00#"},
      {"capacity_listing_2048", names + "XYZ.P00#"},
      {"capacity_channel_name_43_and_44", long_names},
  };
  for (const auto& listing : listings) {
    std::string lines;
    for (std::size_t at = 0; at < listing.entries.size(); at += 150) {
      lines += "# Gsng: ITEM form   " + listing.entries.substr(at, 150) + "\r\n";
    }
    host().write_file(sensors + "Orvanta.Prf", lines);
    expect_case(RunCase{listing.name, {"PRD", "ITEM=Packets/Sec"}, 0});
  }
}

// Faults of the files and of the RFC library end in their documents.
TEST_F(ProcessingEndToEnd, FaultsEndInTheirDocuments) {
  const std::string sensors = "C:\\e2e\\ExeXml\\";
  host().write_file(sensors + "FOLDER.P00\\inside", "");
  std::filesystem::create_symlink("LOOP.P00", host().local_path(sensors + "LOOP.P00"));
  const RunCase cases[] = {
      {"fault_profile_is_a_folder", {"FOLDER"}, 2, "Error 1002: Profile FOLDER.P00 is missing..."},
      {"fault_profile_unreadable", {"LOOP"}, 2, "Error 1002: Profile LOOP.P00 is missing..."},
  };
  for (const RunCase& c : cases) expect_case(c);

  host().write_file("C:\\e2e\\run\\SapRfc.ini\\folder", "");
  expect_case(RunCase{"fault_saprfc_ini_unwritable", {"QAS"}, 2, "Error 1011: RFC-Open for QAS failed !"});
  std::filesystem::remove_all(host().local_path("C:\\e2e\\run\\SapRfc.ini"));

  for (const FailingSystem& failing : kFailingSystems) {
    if (behind_netweaver_bridge() && failing.sdk_function == nullptr) continue;
    const std::string name = failing.name;
    expect_output({name}, rfc_error_report(failing), 1);
    expect_output({"GLOBAL", name}, global_output_before_report(failing) + rfc_error_report(failing), 1);
  }
}

// The files of the working directory that a run leaves, the trace file's
// times masked.
std::map<std::string, std::string> left_files() {
  std::map<std::string, std::string> files;
  for (const char* name : {"Quillar.log", "SapRfc.ini", "Dev_Rfc.Trc"}) {
    std::ifstream in(host().local_path(std::string("C:\\e2e\\run\\") + name), std::ios::binary);
    std::string content(std::istreambuf_iterator<char>(in), {});
    // Each process numbers its connections and trace blocks from 1.
    std::string masked;
    for (std::size_t at = 0; at < content.size();) {
      std::size_t end = std::min(content.find('\n', at), content.size() - 1) + 1;
      std::string line = content.substr(at, end - at);
      at = end;
      if (line.rfind("**** ERROR file opened at ", 0) == 0) line = "**** ERROR file opened at\n";
      if (line.rfind("T:", 0) == 0) line = "T:nnnn" + line.substr(6);
      if (!line.empty() && line[0] >= '1' && line[0] <= '9') line = "n" + line.substr(line.find(' '));
      masked += line;
    }
    files[name] = masked;
  }
  return files;
}

void clear_left_files() {
  for (const char* name : {"Quillar.log", "SapRfc.ini", "Dev_Rfc.Trc"}) {
    std::filesystem::remove(host().local_path(std::string("C:\\e2e\\run\\") + name));
  }
}

std::string without_child_options(std::string text) {
  for (const char* option : {",PARALLEL=3", ",PARALLEL=2", ",DEADLINE=20"}) {
    for (std::size_t at = text.find(option); at != std::string::npos; at = text.find(option)) {
      text.erase(at, std::string(option).size());
    }
  }
  return text;
}

// With systems in children, every byte of the output and of the files the
// run leaves is what one process would have written.
TEST_F(ProcessingEndToEnd, SystemsInChildrenChangeNoByte) {
  host().write_file("C:\\e2e\\ExeXml\\Orvanta.Prf", "# Gsng: ITEM form   " + kMixedListing + "\r\n");
  const std::vector<std::string> plain_runs[] = {
      {"PRD", "ITEM=In-Errors"},
      {"PRD", "lan=eth0 ITEM=Packets/Sec,SYSLOG"},
      {"PRD", "ITEM=In-Packets/Sec,SYSLOG #"},
      {"PRD", "ITEM=In-Errors,FAILED MODE=Tolvane"},
      {"ABORT", "ITEM=Out-Errors"},
  };
  for (const auto& plain : plain_runs) {
    for (const char* children : {",PARALLEL=3", ",PARALLEL=2,DEADLINE=20"}) {
      clear_left_files();
      ProcessResult one = host().run(plain, "C:\\e2e\\run");
      std::map<std::string, std::string> one_files = left_files();
      clear_left_files();
      std::vector<std::string> arguments = plain;
      arguments[1] += children;
      ProcessResult many = host().run(arguments, "C:\\e2e\\run");
      const std::string shown = testing::PrintToString(arguments);
      EXPECT_EQ(without_child_options(with_times_masked(many.standard_output)), with_times_masked(one.standard_output))
          << shown;
      EXPECT_EQ(many.exit_code, one.exit_code) << shown;
      EXPECT_EQ(left_files(), one_files) << shown;
    }
  }
  ProcessResult m0 = host().run({"C:\\e2e\\ExeXml\\GLOBAL", "M0 MODE=Mervesk"}, "C:\\e2e\\run");
  ProcessResult m1 = host().run({"C:\\e2e\\ExeXml\\GLOBAL", "M1 MODE=Mervesk"}, "C:\\e2e\\run");
  EXPECT_EQ(m1.standard_output, m0.standard_output);
  EXPECT_NE(m0.standard_output.find("* SapRfc.Ini.......: QAS<"), std::string::npos);
  for (const auto& entry : std::filesystem::directory_iterator(host().local_path("C:\\e2e\\run"))) {
    EXPECT_FALSE(entry.is_directory()) << "a scratch folder is left: " << entry.path();
  }
}

// The first system that the RFC error report ends decides the output.
TEST_F(ProcessingEndToEnd, AnAbortInAChildEndsTheRunInListingOrder) {
  const std::string listings[] = {"PRD.P00#ABORT.P00#QAS.P00#", "ERR1.P00#AOP.P00#ABORT.P00#PRD.P00#",
                                  "SLOW.P00#ARC.P00#"};
  for (const std::string& listing : listings) {
    host().write_file("C:\\e2e\\ExeXml\\Orvanta.Prf", "# Gsng: ITEM form   " + listing + "\r\n");
    ProcessResult one = host().run({"PRD", "ITEM=In-Errors"}, "C:\\e2e\\run");
    ProcessResult many = host().run({"PRD", "ITEM=In-Errors,PARALLEL=3"}, "C:\\e2e\\run");
    EXPECT_EQ(many.standard_output, one.standard_output) << listing;
    EXPECT_EQ(one.exit_code, 1) << listing;
    EXPECT_EQ(many.exit_code, 1) << listing;
  }
}

TEST_F(ProcessingEndToEnd, ADeadlineStopsASystemThatHangs) {
  host().write_file("C:\\e2e\\ExeXml\\Orvanta.Prf", "# Gsng: ITEM form   PRD.P00#HANG.P00#QAS.P00#\r\n");
  // Three seconds leave the healthy systems time to start, also under wine
  // on a busy machine.
  ProcessResult global = host().run({"PRD", "ITEM=In-Packets/Sec,PARALLEL=3,DEADLINE=3,SYSLOG #"}, "C:\\e2e\\run");
  const std::string output = with_times_masked(global.standard_output);
  EXPECT_EQ(global.exit_code, 0);
  EXPECT_NE(output.find("<Result><Channel>PRD.P00</Channel>"), std::string::npos) << output;
  EXPECT_NE(output.find("<Result><Channel>QAS.P00</Channel>"), std::string::npos) << output;
  EXPECT_NE(output.find(host().console_form("\n* hh:mm:ss HANG.P00, saphang, HANG, 50, 100 State=Rfc Failure\n")),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("NoSystems=3, Processed=2, Failed=1"), std::string::npos) << output;
  EXPECT_NE(left_files()["Quillar.log"].find("0 Deadline passed "), std::string::npos);

  ProcessResult single = host().run({"C:\\e2e\\ExeXml\\HANG", "MODE=Mervesk,DEADLINE=3"}, "C:\\e2e\\run");
  EXPECT_EQ(single.standard_output,
            host().console_form(error_document("Error 1061: SAP system HANG did not answer within 3 seconds")));
  EXPECT_EQ(single.exit_code, 2);
  for (const char* system : {"PRD", "ERR2", "ABORT", "QAS"}) {
    ProcessResult one = host().run({system, "LAN=eth0"}, "C:\\e2e\\run");
    ProcessResult child = host().run({system, "LAN=eth0,DEADLINE=5"}, "C:\\e2e\\run");
    EXPECT_EQ(child.standard_output, one.standard_output) << system;
    EXPECT_EQ(child.exit_code, one.exit_code) << system;
  }
  for (const auto& [options, text] : std::vector<std::pair<std::string, std::string>>{
           {",DEADLINE=601", "Error 1062: DEADLINE=601 is out of range, 1 to 600 seconds..."},
           {",DEADLINE=51", "Error 1062: DEADLINE=51 is out of range, 1 to 50 seconds as RUNTIME=50 allows..."},
           {",DEADLINE=20,RUNTIME=19", "Error 1062: DEADLINE=20 is out of range, 1 to 19 seconds as RUNTIME=19 allows..."},
           {",PARALLEL=2,RUNTIME=901", "Error 1062: RUNTIME=901 is out of range, 1 to 900 seconds..."}}) {
    ProcessResult refused = host().run({"PRD", options}, "C:\\e2e\\run");
    EXPECT_EQ(refused.standard_output, host().console_form(error_document(text))) << options;
    EXPECT_EQ(refused.exit_code, 2) << options;
  }
}

// A child never outlives the sensor, even when PRTG kills the sensor.
TEST_F(ProcessingEndToEnd, NoChildOutlivesTheSensor) {
  if (host().under_wine()) GTEST_SKIP() << "wine's own processes are not the sensor's children";
  host().write_file("C:\\e2e\\ExeXml\\Orvanta.Prf", "# Gsng: ITEM form   HANG.P00#HANG.P00#\r\n");
  host().run_killed_after({"PRD", "ITEM=In-Errors,PARALLEL=2,DEADLINE=600,RUNTIME=900"}, "C:\\e2e\\run", 1500);
  auto children_left = [] {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      std::ifstream in(entry.path() / "cmdline", std::ios::binary);
      std::string command(std::istreambuf_iterator<char>(in), {});
      if (command.find(std::string("--child\0", 8)) != std::string::npos &&
          command.find("quillar") != std::string::npos) {
        ++count;
      }
    }
    return count;
  };
  int left = children_left();
  for (int tries = 0; left > 0 && tries < 50; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    left = children_left();
  }
  EXPECT_EQ(left, 0);
}

}  // namespace
}  // namespace quillar::e2e
