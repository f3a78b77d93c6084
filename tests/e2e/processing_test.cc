// Whole runs against the stand-in RFC library: each case's expected standard
// output is a file in expected/, named after the case.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "e2e/e2e_support.h"

namespace quillar::e2e {
namespace {

// "Secret#1" as stored.
const std::string kPassword = ";/1<P|d'TPTUnNHWU\\F3.uvg";

std::string profile(const std::string& destination, const std::string& client, const std::string& host,
                    const std::string& sysnr, const std::string& password = kPassword) {
  return "Destination: " + destination + "\r\nClient.....: " + client + "\r\nUser.......: rfcuser\r\n" +
         "Password...: " + password + "\r\nLanguage...: E\r\nMode.......: R/3\r\nHostname...: " + host +
         "\r\nSysnr......: " + sysnr + "\r\nGwhost.....: " + host + "\r\nGwservice..: sapgw" + sysnr +
         "\r\nExtcompany.: ACME\r\n";
}

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
    system("ABORT", "saperr", "20", "abort = RfcCall\n");

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

const std::string kGlobalProfile =
    server_line("S1", "PRD.P00#QAS.P00#") + sensor_line("S1", "Sensor=\"SAP Quillar\" Item=In-Packets/Sec,Profile") +
    server_line("S2", "PRD.P00#QAS.P00#") + sensor_line("S2", "Sensor=\"SAP Quillar\" Item=Out-Errors,Alias") +
    server_line("S3", "PRD.P00#QAS.P00#") + sensor_line("S3", "Sensor=\"SAP Quillar\" Item=Packets/Sec,Host") +
    server_line("S4", "PRD.P00#QAS.P00#") + sensor_line("S4", "LAN=eth0 Sensor=\"SAP Quillar\" Item=Packets/Sec,Sid") +
    server_line("S5", "PRD.P00#MISSING.P00#BAD.P00#DEV.P00#") + server_line("S5", "ERR2.P00#QAS.P00") +
    sensor_line("S5", "LAN=eth0 Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("S6", "DEV.P00#ERR1.P00#") + sensor_line("S6", "Sensor=\"SAP Quillar\" Item=In-Errors") +
    server_line("S7", "PRD.P00#QAS.P00#") + sensor_line("S7", "MODE:Tolvane,CH=2 Sensor=\"SAP Quillar\" Item=Collision(s)");

struct RunCase {
  const char* name;
  std::vector<std::string> arguments;
  int exit_code;
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
    host().write_file(sensors + "SAP Orvanta.Gbl", kGlobalProfile);
    host().write_file(sensors + "Orvanta.Prf", "# Gsng: ITEM form   PRD.P00#QAS.P00#\r\n");
  }
  void TearDown() override { host().clear_files(); }

  void expect_case(const RunCase& c) {
    ProcessResult result = host().run(c.arguments, "C:\\e2e\\run");
    record_output(c.name, with_times_masked(result.standard_output));
    EXPECT_EQ(with_times_masked(result.standard_output), host().console_form(expected_output(c.name))) << c.name;
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
      {"single_error_1011", {"DEV"}, 2},
      {"single_error_1014", {"ERR1"}, 2},
      {"single_error_1012", {"ERR2"}, 2},
      {"single_error_1013", {"ERR3"}, 2},
      {"single_error_1015", {"ERR7"}, 2},
      {"single_error_report", {"ABORT"}, 1},
  };
  for (const RunCase& c : cases) expect_case(c);
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
  };
  for (const RunCase& c : cases) expect_case(c);
}

}  // namespace
}  // namespace quillar::e2e
