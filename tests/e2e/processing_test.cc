// Whole runs against the stand-in RFC library: each case's expected standard
// output is a file in expected/, named after the case. Each test writes only
// the systems, sensors and listings it runs.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <thread>

#include "e2e/e2e_support.h"

namespace quillar::e2e {
namespace {

const std::string kRun = "C:\\e2e\\run";
const std::string kSensors = "C:\\e2e\\ExeXml\\";
// Outside the PRTG mode the global profile is opened where it is named.
const std::string kGlobalInSensors = kSensors + "GLOBAL";

// The systems of the stand-in's landscape, by name.
const std::map<std::string, std::string> kLandscape = {
    {"BIN", landscape_system("BIN", "sapbin", "00",
                             "lan = eth0 6789 5556 0 0 0 12345\nlan = lo 10 10 0 0 0 20\nlan = ETH1 1 2 3 4 5 6\n")},
    {"QAS", landscape_system("QAS", "sapqas", "01", "lan = eth0 1000 2000 7 8 9 3000\n")},
    // A second password that the logon's does not match.
    {"DEV", landscape_system("DEV", "sapdev", "02", "") + "password = other\n"},
    {"ERR1", landscape_system("ERR1", "saperr", "11", "receive = failure\n")},
    {"ERR2", landscape_system("ERR2", "saperr", "12", "receive = exception NO_DATA_FOUND\n")},
    {"ERR3", landscape_system("ERR3", "saperr", "13", "receive = sys-exception SYSTEM_FAILURE\n")},
    {"ERR7", landscape_system("ERR7", "saperr", "17", "receive = code 7\n")},
    {"ABORT", landscape_system("ABORT", "saperr", "20", "abort = RfcCall\n")},
    {"FIS", landscape_system("FIS", "sapfail", "31", "fail = RfcInstallStructure\nlan = eth0 1 2 3 4 5 6\n")},
    {"FIC", landscape_system("FIC", "sapfail", "32", "fail = ItCreate\nlan = eth0 1 2 3 4 5 6\n")},
    {"FIG", landscape_system("FIG", "sapfail", "33", "fail = ItGetLine\nlan = eth0 1 2 3 4 5 6\n")},
    {"FID", landscape_system("FID", "sapfail", "34", "fail = ItDelete\nlan = eth0 1 2 3 4 5 6\n")},
    {"AOP", landscape_system("AOP", "sapfail", "41", "abort = RfcOpen\n")},
    {"AOX", landscape_system("AOX", "sapfail", "42", "abort = RfcOpenEx\n")},
    {"ARC", landscape_system("ARC", "sapfail", "44", "abort = RfcReceive\n")},
    {"EX81", landscape_system("EX81", "saperr", "81", "receive = exception " + std::string(81, 'E') + "\n")},
    {"EX82", landscape_system("EX82", "saperr", "82", "receive = exception " + std::string(82, 'E') + "\n")},
    {"HANG", landscape_system("HANG", "saphang", "50", "hang = RfcOpen\n")},
    {"SLOW", landscape_system("SLOW", "sapslow", "51", "delay = 300\nlan = eth0 1 2 3 4 5 6\n")},
    // BIN's rows in a dictionary whose types are not the classic layout's.
    {"NUMC", landscape_system("NUMC", "sapnumc", "60",
                              "field LANNAME = CHAR 16\nfield IN_PACKETS = NUMC 10\nfield OUT_PACKET = NUMC 10\n"
                              "field IN_ERRORS = NUMC 10\nfield OUT_ERRORS = NUMC 10\nfield COLLISIONS = NUMC 10\n"
                              "field PACKETS = NUMC 10\nlan = eth0 6789 5556 0 0 0 12345\nlan = lo 10 10 0 0 0 20\n"
                              "lan = ETH1 1 2 3 4 5 6\n")},
};

// A system as a test names it: its profile NAME.P00 in the sensor directory,
// the landscape's system it logs on to, and the destination file
// SapRfc.NAME in the working directory of a system that logs on by one.
struct SystemFiles {
  std::string profile;
  std::string logs_on_to;
  std::string destination_file = "";
};

const std::map<std::string, SystemFiles> kSystems = {
    {"PRD", {profile("BIN", "100", "sapbin", "00"), "BIN"}},
    {"QAS", {profile("QAS", "100", "sapqas", "01"), "QAS", "DEST=QAS\r\nTYPE=A\r\nASHOST=sapqas\r\nSYSNR=01\r\n"}},
    {"DEV", {profile("DEV", "100", "sapdev", "02"), "DEV"}},
    // Its password is stored unscrambled, so BIN refuses the logon.
    {"BAD", {profile("BAD", "100", "sapbin", "00", "not scrambled"), "BIN"}},
    {"ERR1", {profile("ERR1", "100", "saperr", "11"), "ERR1"}},
    {"ERR2", {profile("ERR2", "100", "saperr", "12"), "ERR2"}},
    {"ERR3", {profile("ERR3", "100", "saperr", "13"), "ERR3"}},
    {"ERR7", {profile("ERR7", "100", "saperr", "17"), "ERR7"}},
    {"ABORT", {profile("ABORT", "100", "saperr", "20"), "ABORT"}},
    {"FIS", {profile("FIS", "100", "sapfail", "31"), "FIS"}},
    {"FIC", {profile("FIC", "100", "sapfail", "32"), "FIC"}},
    {"FIG", {profile("FIG", "100", "sapfail", "33"), "FIG"}},
    {"FID", {profile("FID", "100", "sapfail", "34"), "FID"}},
    {"AOP", {profile("AOP", "100", "sapfail", "41"), "AOP"}},
    {"AOX", {profile("AOX", "100", "sapfail", "42"), "AOX", "DEST=AOX\r\nTYPE=A\r\nASHOST=sapfail\r\nSYSNR=42\r\n"}},
    {"ARC", {profile("ARC", "100", "sapfail", "44"), "ARC"}},
    {"EX81", {profile("EX81", "100", "saperr", "81"), "EX81"}},
    {"EX82", {profile("EX82", "100", "saperr", "82"), "EX82"}},
    {"HANG", {profile("HANG", "100", "saphang", "50"), "HANG"}},
    {"SLOW", {profile("SLOW", "100", "sapslow", "51"), "SLOW"}},
    {"NUMC", {profile("BIN", "100", "sapnumc", "60"), "NUMC"}},
};

// The failing systems of the stand-in, each with its profile and a global
// sensor of the same key that measures PRD first; FIS comes first itself,
// since LAN_SINGLE is described to the library only once per run. Each ends
// the run with the RFC error report of its operation. Behind the bridge to
// the NetWeaver SDK, the function of the SDK that breaks down names itself
// in the report; the internal tables are the bridge's own, so the failures
// of the classic library's table operations have no counterpart there.
struct FailingSystem {
  const char* name;
  const char* operation;
  const char* key;
  const char* message;
  const char* sdk_function;
};
const FailingSystem kFailingSystems[] = {
    {"FIS", "RfcInstallStructure", "RFC_ERROR_PROGRAM", "structure LAN_SINGLE not installed", nullptr},
    {"FIC", "ItCreate TF_LAN_SINGLE", "RFC_ERROR_MEMORY", "no memory for table TF_LAN_SINGLE", nullptr},
    {"FIG", "ItGetLine TF_LAN_SINGLE", "RFC_ERROR_PROGRAM", "line 1 of the table not found", nullptr},
    {"FID", "ItDelete TF_LAN_SINGLE", "RFC_ERROR_MEMORY", "table could not be freed", nullptr},
    {"AOP", "RfcOpen", "RFC_ERROR_SYSTEM_FAILURE", "RfcOpen broke down", "RfcOpenConnection"},
    {"AOX", "RfcOpenEx", "RFC_ERROR_SYSTEM_FAILURE", "RfcOpenEx broke down", "RfcOpenConnection"},
    {"ARC", "RfcReceive", "RFC_ERROR_SYSTEM_FAILURE", "RfcReceive broke down", "RfcInvoke"},
    {"ABORT", "RfcCall", "RFC_ERROR_SYSTEM_FAILURE", "RfcCall broke down", "RfcGetFunctionDesc"},
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

std::string item_profile(const std::string& listing) { return "# Gsng: ITEM form   " + listing + "\r\n"; }

// Valid, missing, invalid, refused and failing systems, and a logon by
// destination file.
const std::string kMixedListing = "PRD.P00#MISSING.P00#BAD.P00#DEV.P00#ERR1.P00#QAS.P00#SLOW.P00#";

// A sensor of the global profile: one server line for each listing, then
// the sensor line with its parameters.
struct GlobalSensor {
  std::string key;
  std::vector<std::string> listings;
  std::string parameters;
};

std::string lines_of(const GlobalSensor& sensor) {
  std::string lines;
  for (const std::string& listing : sensor.listings) lines += server_line(sensor.key, listing);
  return lines + sensor_line(sensor.key, sensor.parameters);
}

const std::string kPrdAndQas = "PRD.P00#QAS.P00#";
// The parameters of a sensor line that this program measures In-Errors for.
const std::string kInErrors = "Sensor=\"SAP Quillar\" Item=In-Errors";

const GlobalSensor kGlobalSensors[] = {
    {"S1", {kPrdAndQas}, "Sensor=\"SAP Quillar\" Item=In-Packets/Sec,Profile"},
    {"S2", {kPrdAndQas}, "Sensor=\"SAP Quillar\" Item=Out-Errors,Alias"},
    {"S3", {kPrdAndQas}, "Sensor=\"SAP Quillar\" Item=Packets/Sec,Host"},
    {"S4", {kPrdAndQas}, "LAN=eth0 Sensor=\"SAP Quillar\" Item=Packets/Sec,Sid"},
    {"S5", {"PRD.P00#MISSING.P00#BAD.P00#DEV.P00#", "ERR2.P00#QAS.P00"}, "LAN=eth0 " + kInErrors},
    {"S6", {"DEV.P00#ERR1.P00#"}, kInErrors},
    {"S7", {kPrdAndQas}, "MODE:Tolvane,CH=2 Sensor=\"SAP Quillar\" Item=Collision(s)"},
    {"FIS", {"FIS.P00#PRD.P00#"}, kInErrors},
    {"FIC", {"PRD.P00#FIC.P00#"}, kInErrors},
    {"FIG", {"PRD.P00#FIG.P00#"}, kInErrors},
    {"FID", {"PRD.P00#FID.P00#"}, kInErrors},
    {"AOP", {"PRD.P00#AOP.P00#"}, kInErrors},
    {"AOX", {"PRD.P00#AOX.P00#"}, kInErrors},
    {"ABORT", {"PRD.P00#ABORT.P00#"}, kInErrors},
    {"ARC", {"PRD.P00#ARC.P00#"}, kInErrors},
    {"XML", {"R&D.P00#WIDE.P00#BOM.P00#"}, "Sensor=\"SAP Quillar\" Item=Packets/Sec"},
    {"M0", {kMixedListing}, "LAN=eth0 " + kInErrors},
    {"M1", {kMixedListing}, "LAN=eth0,PARALLEL=3,DEADLINE=20 " + kInErrors},
    {"CH1", {kPrdAndQas}, "CH=1 " + kInErrors},
    {"F1", {kMixedListing}, "LAN=eth0,FAILED " + kInErrors},
    {"F2", {kMixedListing}, "CH=4,failed " + kInErrors},
    {"F3", {"PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#PRD.P00#DEV.P00#"},
     "LAN=eth0,FAILED Sensor=\"SAP Quillar\" Item=Packets/Sec"},
    {"AT", {"PRD.P00#"}, "LAN=eth0 @note,DEADLINE=5 " + kInErrors},
};

const GlobalSensor& global_sensor(const std::string& key) {
  for (const GlobalSensor& sensor : kGlobalSensors) {
    if (sensor.key == key) return sensor;
  }
  throw std::out_of_range("no global sensor " + key);
}

// The systems of kSystems that a listing ("PRD.P00#MISSING.P00#...") names.
std::vector<std::string> systems_listed(const std::string& listing) {
  std::vector<std::string> names;
  for (std::size_t at = 0; at < listing.size();) {
    const std::size_t end = std::min(listing.find('#', at), listing.size());
    const std::string entry = listing.substr(at, end - at);
    const std::size_t stem = entry.size() - std::min<std::size_t>(entry.size(), 4);
    if (entry.compare(stem, 4, ".P00") == 0 && kSystems.count(entry.substr(0, stem)) != 0) {
      names.push_back(entry.substr(0, stem));
    }
    at = end + 1;
  }
  return names;
}

struct RunCase {
  std::string name;
  std::vector<std::string> arguments;
  int exit_code;
  // The text of the error document the case ends in; without it, the output
  // is the file expected/<name>.txt.
  std::string error_text = "";
  // What the run tells on standard error.
  std::string standard_error = "";
};

class ProcessingEndToEnd : public testing::Test {
 protected:
  // C:\PRTG_Path.Txt makes kSensors the sensor directory of the runs in the
  // PRTG mode.
  void SetUp() override { host().write_file("C:\\PRTG_Path.Txt", kSensors + "\r\n"); }
  void TearDown() override { host().clear_files(); }

  // Writes the profiles of these systems of kSystems and their destination
  // files, and the stand-in's landscape with every system that the profiles
  // of the test so far log on to.
  void given_systems(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      const SystemFiles& system = kSystems.at(name);
      host().write_file(kSensors + name + ".P00", system.profile);
      if (!system.destination_file.empty()) host().write_file(kRun + "\\SapRfc." + name, system.destination_file);
      landscape_.insert(system.logs_on_to);
    }
    std::string landscape = "; the systems of the end-to-end runs\n";
    for (const std::string& name : landscape_) landscape += kLandscape.at(name);
    host().write_file(kRun + "\\RfcSim.ini", landscape);
  }

  // Writes the global profile with these sensors of kGlobalSensors and then
  // `more`, and the systems of kSystems that their listings name.
  void given_global_sensors(const std::vector<std::string>& keys, const std::vector<GlobalSensor>& more = {}) {
    std::vector<GlobalSensor> sensors;
    for (const std::string& key : keys) sensors.push_back(global_sensor(key));
    sensors.insert(sensors.end(), more.begin(), more.end());
    std::string text;
    for (const GlobalSensor& sensor : sensors) {
      text += lines_of(sensor);
      for (const std::string& listing : sensor.listings) given_systems(systems_listed(listing));
    }
    host().write_file(kSensors + "SAP Orvanta.Gbl", text);
  }

  // Writes the item profile with this listing, and the systems of kSystems it
  // names.
  void given_item_listing(const std::string& listing) {
    host().write_file(kSensors + "Orvanta.Prf", item_profile(listing));
    given_systems(systems_listed(listing));
  }

  void expect_output(const std::vector<std::string>& arguments, const std::string& output, int exit_code,
                     const std::string& standard_error = "") {
    ProcessResult result = host().run(arguments, kRun);
    const std::string shown = testing::PrintToString(arguments);
    EXPECT_EQ(result.standard_output, host().console_form(output)) << shown;
    EXPECT_EQ(result.exit_code, exit_code) << shown;
    EXPECT_EQ(result.standard_error, host().console_form(standard_error)) << shown;
  }

  void expect_case(const RunCase& c) {
    ProcessResult result = host().run(c.arguments, kRun);
    std::string expected = c.error_text.empty() ? expected_output(c.name) : error_document(c.error_text);
    if (c.error_text.empty()) record_output(c.name, with_times_masked(result.standard_output));
    EXPECT_EQ(with_times_masked(result.standard_output), host().console_form(expected)) << c.name;
    EXPECT_EQ(result.exit_code, c.exit_code) << c.name;
    EXPECT_EQ(result.standard_error, host().console_form(c.standard_error)) << c.name;
  }

 private:
  std::set<std::string> landscape_;  // names in kLandscape
};

TEST_F(ProcessingEndToEnd, SingleSystemRuns) {
  given_systems({"PRD", "QAS", "DEV", "ERR1", "ERR2", "ERR3", "ERR7"});
  const std::string prd = kSensors + "PRD";
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
  given_systems({"NUMC"});
  expect_case({"single_exexml", {"NUMC"}, 0});
}

TEST_F(ProcessingEndToEnd, TheTraceFileGoesAfterASuccessOnly) {
  given_systems({"ERR1", "PRD"});
  host().write_file(kRun + "\\Dev_Rfc.Trc", "old trace\n");
  EXPECT_EQ(host().run({"ERR1"}, kRun).exit_code, 2);
  EXPECT_TRUE(std::filesystem::exists(host().local_path(kRun + "\\Dev_Rfc.Trc")));
  EXPECT_EQ(host().run({"PRD"}, kRun).exit_code, 0);
  EXPECT_FALSE(std::filesystem::exists(host().local_path(kRun + "\\Dev_Rfc.Trc")));
}

TEST_F(ProcessingEndToEnd, GlobalRuns) {
  given_global_sensors({"S1", "S2", "S3", "S4", "S5", "S6", "S7", "M0", "CH1", "AT"});
  given_item_listing("PRD.P00#QAS.P00#");
  const RunCase cases[] = {
      {"global_profile_names", {"GLOBAL", "S1"}, 0},
      {"global_alias_names", {"global", "s2"}, 0},
      {"global_host_names", {"GLOBAL", "S3"}, 0},
      {"global_destination_names", {"GLOBAL", "S4"}, 0},
      {"global_failures_traced", {"GLOBAL", "S5 #"}, 0},
      {"global_all_failing", {"GLOBAL", "S6"}, 0},
      {"global_options_of_the_sensor_line", {kGlobalInSensors, "S7 MODE=Tolvane"}, 0},
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
  given_global_sensors({"F1", "F2", "F3"});
  given_item_listing("PRD.P00#QAS.P00#");
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
  const std::string& sensors = kSensors;
  given_systems({"PRD"});
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
  given_global_sensors({"XML"}, {{"HIGH", {hosts_listing}, ",HOST=sapbin Sensor=\"SAP Quillar\" Item=Packets/Sec,Host"},
                                 {"ITEM1", {"PRD.P00#"}, "Sensor=\"SAP Quillar\" Item=" + high.substr(0, 64)},
                                 {"ITEM2", {"PRD.P00#"}, "Sensor=\"SAP Quillar\" Item=" + high.substr(64)}});
  host().write_file(sensors + "Orvanta.Prf", "\xEF\xBB\xBF" + item_profile("PRD.P00#"));

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
  const std::string& sensors = kSensors;
  given_systems({"EX81", "EX82"});
  given_item_listing("PRD.P00#QAS.P00#");
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
  host().write_file(sensors + std::string(39, 'C') + ".P00", profile("BIN", "100", "sapbin", "00"));
  host().write_file(sensors + std::string(40, 'C') + ".P00", profile("BIN", "100", "sapbin", "00"));

  const std::string prd = kSensors + "PRD";
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
      // The remark quotes the library's trace block, "Exception ... raised".
      {"capacity_error_text_127", {"EX81"}, 2, "Error 1012: Exception.: " + std::string(81, 'E') + " - Exception " + std::string(9, 'E')},
      {"capacity_error_text_128", {"EX82"}, 2, "Error 1012: Exception.: " + std::string(82, 'E') + " - Exception " + std::string(8, 'E')},
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
      lines += item_profile(listing.entries.substr(at, 150));
    }
    host().write_file(sensors + "Orvanta.Prf", lines);
    expect_case(RunCase{listing.name, {"PRD", "ITEM=Packets/Sec"}, 0});
  }
}

// Faults of the files and of the RFC library end in their documents.
TEST_F(ProcessingEndToEnd, FaultsEndInTheirDocuments) {
  const std::string& sensors = kSensors;
  host().write_file(sensors + "FOLDER.P00\\inside", "");
  std::filesystem::create_symlink("LOOP.P00", host().local_path(sensors + "LOOP.P00"));
  const RunCase cases[] = {
      {"fault_profile_is_a_folder", {"FOLDER"}, 2, "Error 1002: Profile FOLDER.P00 is missing..."},
      {"fault_profile_unreadable", {"LOOP"}, 2, "Error 1002: Profile LOOP.P00 is missing..."},
  };
  for (const RunCase& c : cases) expect_case(c);

  given_systems({"QAS"});
  host().write_file(kRun + "\\SapRfc.ini\\folder", "");
  const std::string saprfc_ini_told =
      "Quillar: SapRfc.ini in " + kRun + "\\ cannot be written: no plain file of its own there (a link, FIFO or "
      "folder)\n";
  expect_case(
      RunCase{"fault_saprfc_ini_unwritable", {"QAS"}, 2, "Error 1011: RFC-Open for QAS failed !", saprfc_ini_told});
  // Where the framing shows the line of a logon by destination file, it
  // comes before the logon's failure.
  expect_output({kSensors + "QAS", "MODE=Tolvane"},
                "* SapRfc.Ini.......: QAS<\n" + error_document("Error 1011: RFC-Open for QAS failed !"), 2,
                saprfc_ini_told);
  std::filesystem::remove_all(host().local_path(kRun + "\\SapRfc.ini"));

  // Each failing system alone, and in the global sensor of its name.
  given_global_sensors({"FIS", "FIC", "FIG", "FID", "AOP", "AOX", "ARC", "ABORT"});
  for (const FailingSystem& failing : kFailingSystems) {
    if (behind_netweaver_bridge() && failing.sdk_function == nullptr) continue;
    const std::string name = failing.name;
    expect_output({name}, rfc_error_report(failing), 1);
    expect_output({"GLOBAL", name}, global_output_before_report(failing) + rfc_error_report(failing), 1);
  }

  // A logon by destination file that the library aborts still shows its
  // line to whoever reads the trace, before the report.
  const FailingSystem& aborted_logon = *std::find_if(std::begin(kFailingSystems), std::end(kFailingSystems),
                                                     [](const FailingSystem& f) { return f.name == std::string("AOX"); });
  ProcessResult traced = host().run({"AOX", "#"}, kRun);
  EXPECT_EQ(with_times_masked(traced.standard_output),
            host().console_form("* hh:mm:ss SAP Quillar Vers 4.3 / 29.08.22\n"
                                "* hh:mm:ss AOX.P00, sapfail, AOX, 42, 100 State=Processing\n"
                                "* hh:mm:ss Quillar - (No Parameters) State=Executing\n"
                                "* SapRfc.Ini.......: AOX<\n" +
                                rfc_error_report(aborted_logon)));
  EXPECT_EQ(traced.exit_code, 1);
}

// The files of the working directory that a run leaves, the trace file's
// times masked.
std::map<std::string, std::string> left_files() {
  std::map<std::string, std::string> files;
  for (const char* name : {"Quillar.log", "SapRfc.ini", "Dev_Rfc.Trc"}) {
    std::ifstream in(host().local_path(kRun + "\\" + name), std::ios::binary);
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
    std::filesystem::remove(host().local_path(kRun + "\\" + name));
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
  given_item_listing(kMixedListing);
  given_global_sensors({"M0", "M1"});
  given_systems({"ABORT"});
  const std::vector<std::string> plain_runs[] = {
      {"PRD", "ITEM=In-Errors"},
      {"PRD", "lan=eth0 ITEM=Packets/Sec,SYSLOG"},
      {"PRD", "ITEM=In-Packets/Sec,SYSLOG #"},
      {"PRD", "ITEM=In-Errors,FAILED MODE=Tolvane"},
      {"PRD", "ITEM=Out-Errors"},
      // A single-system run that the RFC error report ends.
      {"ABORT", "LAN=eth0"},
  };
  for (const auto& plain : plain_runs) {
    for (const char* children : {",PARALLEL=3", ",PARALLEL=2,DEADLINE=20"}) {
      clear_left_files();
      ProcessResult one = host().run(plain, kRun);
      std::map<std::string, std::string> one_files = left_files();
      clear_left_files();
      std::vector<std::string> arguments = plain;
      arguments[1] += children;
      ProcessResult many = host().run(arguments, kRun);
      const std::string shown = testing::PrintToString(arguments);
      EXPECT_EQ(without_child_options(with_times_masked(many.standard_output)), with_times_masked(one.standard_output))
          << shown;
      EXPECT_EQ(many.exit_code, one.exit_code) << shown;
      EXPECT_EQ(left_files(), one_files) << shown;
    }
  }
  ProcessResult m0 = host().run({kGlobalInSensors, "M0 MODE=Mervesk"}, kRun);
  ProcessResult m1 = host().run({kGlobalInSensors, "M1 MODE=Mervesk"}, kRun);
  EXPECT_EQ(m1.standard_output, m0.standard_output);
  EXPECT_NE(m0.standard_output.find("* SapRfc.Ini.......: QAS<"), std::string::npos);
  for (const auto& entry : std::filesystem::directory_iterator(host().local_path(kRun))) {
    EXPECT_FALSE(entry.is_directory()) << "a scratch folder is left: " << entry.path();
  }
}

// In one process, the first system that the RFC error report ends ends the
// run. With children, that system counts as failed as a failed call does,
// and the run goes on to its closed document.
TEST_F(ProcessingEndToEnd, AnAbortInAChildFailsThatSystemAlone) {
  const struct {
    std::string listing;
    std::string failing_instead;
  } cases[] = {
      {"PRD.P00#ABORT.P00#QAS.P00#", "PRD.P00#ERR1.P00#QAS.P00#"},
      {"ERR1.P00#AOP.P00#ABORT.P00#PRD.P00#", "ERR1.P00#ERR1.P00#ERR1.P00#PRD.P00#"},
      {"SLOW.P00#ARC.P00#", "SLOW.P00#ERR1.P00#"},
  };
  for (const auto& c : cases) {
    given_item_listing(c.failing_instead);
    ProcessResult failing = host().run({"PRD", "ITEM=In-Errors"}, kRun);
    given_item_listing(c.listing);
    ProcessResult one = host().run({"PRD", "ITEM=In-Errors"}, kRun);
    EXPECT_EQ(one.exit_code, 1) << c.listing;
    for (const char* children : {",PARALLEL=3", ",DEADLINE=20"}) {
      ProcessResult many = host().run({"PRD", std::string("ITEM=In-Errors") + children}, kRun);
      EXPECT_EQ(many.standard_output, failing.standard_output) << c.listing << children;
      EXPECT_EQ(many.exit_code, 0) << c.listing << children;
    }
  }
  // The report's lines go to the trace and the log.
  clear_left_files();
  given_item_listing("PRD.P00#ABORT.P00#QAS.P00#");
  ProcessResult traced = host().run({"PRD", "ITEM=In-Errors,PARALLEL=2,SYSLOG #"}, kRun);
  const std::string output = with_times_masked(traced.standard_output);
  EXPECT_EQ(traced.exit_code, 0);
  EXPECT_NE(output.find(host().console_form("* hh:mm:ss RFC error\n* hh:mm:ss operation/code  : RfcCall\n"
                                            "* hh:mm:ss key             : RFC_ERROR_SYSTEM_FAILURE\n")),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("State=Rfc Failure"), std::string::npos) << output;
  EXPECT_NE(output.find("NoSystems=3, Processed=2, Failed=1"), std::string::npos) << output;
  const std::string log = left_files()["Quillar.log"];
  // The log is a text file, with the platform's line ends.
  EXPECT_NE(log.find(host().console_form("0 RFC error \n0 operation/code  : RfcCall \n")), std::string::npos) << log;
}

// Three seconds leave the healthy systems time to start, also under wine on
// a busy machine.
TEST_F(ProcessingEndToEnd, ASystemPastTheDeadlineCountsAsFailedAndTheOthersAreMeasured) {
  given_item_listing("PRD.P00#HANG.P00#QAS.P00#");
  ProcessResult global = host().run({"PRD", "ITEM=In-Packets/Sec,PARALLEL=3,DEADLINE=3,SYSLOG #"}, kRun);
  const std::string output = with_times_masked(global.standard_output);
  EXPECT_EQ(global.exit_code, 0);
  EXPECT_NE(output.find("<Result><Channel>PRD.P00</Channel>"), std::string::npos) << output;
  EXPECT_NE(output.find("<Result><Channel>QAS.P00</Channel>"), std::string::npos) << output;
  EXPECT_NE(output.find(host().console_form("\n* hh:mm:ss HANG.P00, saphang, HANG, 50, 100 State=Rfc Failure\n")),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("NoSystems=3, Processed=2, Failed=1"), std::string::npos) << output;
  EXPECT_NE(left_files()["Quillar.log"].find("0 Deadline passed "), std::string::npos);
}

TEST_F(ProcessingEndToEnd, ASingleSystemPastTheDeadlineEndsInItsErrorDocument) {
  given_systems({"HANG"});
  ProcessResult single = host().run({kSensors + "HANG", "MODE=Mervesk,DEADLINE=3"}, kRun);
  EXPECT_EQ(single.standard_output,
            host().console_form(error_document("Error 1061: SAP system HANG did not answer within 3 seconds")));
  EXPECT_EQ(single.exit_code, 2);
}

// A single system measured in a child under a deadline it keeps: whether the
// run ends in a document, an error document or the RFC error report, no byte
// differs from the run without one.
TEST_F(ProcessingEndToEnd, ADeadlineThatIsKeptChangesNoByte) {
  given_systems({"PRD", "ERR2", "ABORT", "QAS"});
  for (const char* system : {"PRD", "ERR2", "ABORT", "QAS"}) {
    ProcessResult one = host().run({system, "LAN=eth0"}, kRun);
    ProcessResult child = host().run({system, "LAN=eth0,DEADLINE=5"}, kRun);
    EXPECT_EQ(child.standard_output, one.standard_output) << system;
    EXPECT_EQ(child.exit_code, one.exit_code) << system;
  }
}

// Which values are refused is the options' own matter; here the refusal
// ends the run in its error document before any system is measured.
TEST_F(ProcessingEndToEnd, ADeadlineOrRuntimeOutOfRangeIsRefused) {
  given_systems({"PRD"});
  for (const auto& [options, text] : std::vector<std::pair<std::string, std::string>>{
           {",DEADLINE=51", "Error 1062: DEADLINE=51 is out of range, 1 to 50 seconds as RUNTIME=50 allows..."},
           {",DEADLINE=20,RUNTIME=19", "Error 1062: DEADLINE=20 is out of range, 1 to 19 seconds as RUNTIME=19 allows..."},
           {",PARALLEL=2,RUNTIME=901", "Error 1062: RUNTIME=901 is out of range, 1 to 900 seconds..."},
           {",PARALLEL=1e9", "Error 1062: PARALLEL=1e9 is not a whole number..."},
           {",PARALLEL=2,parallel=1e9", "Error 1062: PARALLEL= is given more than once, give it once..."},
           {",RUNTIME=30", "Error 1062: RUNTIME=30 bounds only a run with ,DEADLINE= or ,PARALLEL=, add one of them..."}}) {
    ProcessResult refused = host().run({"PRD", options}, kRun);
    EXPECT_EQ(refused.standard_output, host().console_form(error_document(text))) << options;
    EXPECT_EQ(refused.exit_code, 2) << options;
  }
}

// A child never outlives the sensor, even when PRTG kills the sensor.
TEST_F(ProcessingEndToEnd, NoChildOutlivesTheSensor) {
  if (host().under_wine()) GTEST_SKIP() << "wine's own processes are not the sensor's children";
  given_item_listing("HANG.P00#HANG.P00#");
  // Children run with the sensor's own command line; once the sensor is
  // gone, any process left with it is a child that outlived it.
  const std::string options = "ITEM=In-Errors,PARALLEL=2,DEADLINE=600,RUNTIME=900";
  host().run_killed_after({"PRD", options}, kRun, 1500);
  auto children_left = [&options] {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      std::ifstream in(entry.path() / "cmdline", std::ios::binary);
      std::string command(std::istreambuf_iterator<char>(in), {});
      if (command.find(options) != std::string::npos && command.find("quillar") != std::string::npos) ++count;
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
