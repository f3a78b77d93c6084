#include "rfc/lan_statistics.h"

#include <gtest/gtest.h>

#include "rfc/sim_landscape.h"

namespace quillar {
namespace {

struct Called {
  int code;
  std::string exception;
};

// Logs on to BIN of `landscape` and calls GET_LAN_SINGLE `times` times.
Called call_on(SimLandscape& sim, LanStatistics& statistics, int times = 1) {
  RfcContext context = sim.context();
  LogonRecords records;
  RFC_HANDLE handle = open_connection(context, bin_entries(), records);
  EXPECT_NE(handle, 0u);
  Called called{};
  for (int i = 0; i < times; ++i) {
    ITAB_H table = ItCreate("TF_LAN_SINGLE", kLanRowLength, 0, 0);
    LanReceiveAreas areas;
    called.exception.clear();
    called.code = statistics.call_lan_statistics(context, handle, "LOCAL ", areas, table, called.exception);
    ItDelete(table);
  }
  return called;
}

TEST(LanStatisticsTest, SendsTheParametersAndTableOfGetLanSingle) {
  SimLandscape sim(std::string(kBinLandscape) + "lan = eth0 1 2 3 4 5 6\n");
  LanStatistics statistics;
  EXPECT_EQ(call_on(sim, statistics, 2).code, 0);
  EXPECT_EQ(rfcsim::seen().structure_installs, 1) << "LAN_SINGLE is described once per process";

  ASSERT_EQ(rfcsim::seen().calls.size(), 2u);
  const rfcsim::CallSeen& call = rfcsim::seen().calls[0];
  EXPECT_EQ(call.function, "GET_LAN_SINGLE");
  ASSERT_EQ(call.parameters.size(), 2u);
  EXPECT_EQ(call.parameters[0].name, "LOCAL_REMOTE");
  EXPECT_EQ(call.parameters[0].nlen, 12u);
  EXPECT_EQ(call.parameters[0].type, 0u);
  EXPECT_EQ(call.parameters[0].leng, 6u);
  EXPECT_EQ(call.parameters[0].value, "LOCAL ");
  EXPECT_EQ(call.parameters[1].name, "LOGICAL_DESTINATION");
  EXPECT_EQ(call.parameters[1].nlen, 19u);
  EXPECT_EQ(call.parameters[1].type, 0u);
  EXPECT_EQ(call.parameters[1].leng, 32u);
  EXPECT_EQ(call.parameters[1].value, std::string(32, ' '));
  ASSERT_EQ(call.tables.size(), 1u);
  EXPECT_EQ(call.tables[0].name, "TF_LAN_SINGLE");
  EXPECT_EQ(call.tables[0].nlen, 13u);
  EXPECT_NE(call.tables[0].type, 0u);
  EXPECT_EQ(call.tables[0].leng, 40u);

  ASSERT_EQ(rfcsim::seen().receives.size(), 2u);
  const rfcsim::CallSeen& receive = rfcsim::seen().receives[0];
  const struct {
    const char* name;
    unsigned type, leng;
  } exporting[] = {{"ACTIVEFLAG", 8, 4},        {"DETAILSCOLL", 8, 4}, {"DETAILSMODE", 8, 4},
                   {"DETAILSREQI", 8, 4},       {"F_LAN_SINGLE_READ", 0, 3}, {"INTERVAL", 8, 4},
                   {"LASTCOLLINT", 8, 4},       {"LASTCOLLWRT", 0, 25}, {"NORMCOLLINT", 8, 4}};
  ASSERT_EQ(receive.parameters.size(), 9u);
  for (std::size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(receive.parameters[i].name, exporting[i].name);
    EXPECT_EQ(receive.parameters[i].nlen, std::string(exporting[i].name).size());
    EXPECT_EQ(receive.parameters[i].type, exporting[i].type) << exporting[i].name;
    EXPECT_EQ(receive.parameters[i].leng, exporting[i].leng) << exporting[i].name;
  }
  ASSERT_EQ(receive.tables.size(), 1u);
  EXPECT_EQ(receive.tables[0].type, call.tables[0].type);
  EXPECT_EQ(sim.log_text(), "1 RfcOpen called \n1 RfcCall called \n1 RfcReceive called \n"
                            "1 RfcCall called \n1 RfcReceive called \n");
}

TEST(LanStatisticsTest, GivesBackTheLibrarysCodeAndExceptionName) {
  const std::string long_name(300, 'N');
  const struct {
    const char* name;
    std::string landscape_line;
    int code;
    std::string exception;
    const char* log;
  } cases[] = {
      {"empty table", "", 0, "", "1 RfcOpen called \n1 RfcCall called \n1 RfcReceive called \n"},
      {"call fails: nothing received", "call = failure\n", 1, "", "1 RfcOpen called \n1 RfcCall called \n"},
      {"call gives a code", "call = code 7\n", 7, "", "1 RfcOpen called \n1 RfcCall called \n"},
      {"receive fails", "receive = failure\n", 1, "", "1 RfcOpen called \n1 RfcCall called \n1 RfcReceive called \n"},
      {"exception", "receive = exception NOT_FOUND\n", 2, "NOT_FOUND",
       "1 RfcOpen called \n1 RfcCall called \n1 RfcReceive called \n"},
      {"system exception keeps its name", "receive = sys-exception SYSTEM_FAILURE\n", 3, "SYSTEM_FAILURE",
       "1 RfcOpen called \n1 RfcCall called \n1 RfcReceive called \n"},
      {"exception name cut to 255", "receive = exception " + long_name + "\n", 2, std::string(255, 'N'),
       "1 RfcOpen called \n1 RfcCall called \n1 RfcReceive called \n"},
  };
  for (const auto& c : cases) {
    SimLandscape sim(kBinLandscape + c.landscape_line);
    LanStatistics statistics;
    Called called = call_on(sim, statistics);
    EXPECT_EQ(called.code, c.code) << c.name;
    EXPECT_EQ(called.exception, c.exception) << c.name;
    EXPECT_EQ(sim.log_text(), c.log) << c.name;
  }
}

TEST(LanStatisticsDeathTest, ARefusedStructureEndsTheRunThroughTheErrorReport) {
  SimLandscape sim(std::string(kBinLandscape) + "fail = RfcInstallStructure\n");
  LanStatistics statistics;
  EXPECT_EXIT(call_on(sim, statistics), testing::ExitedWithCode(1), "");
}

}  // namespace
}  // namespace quillar
