#include "measure/network_usage.h"

#include <gtest/gtest.h>

#include "rfc/sim_landscape.h"

namespace quillar {
namespace {

Measurement measure(const std::string& landscape_lines, const std::string& interface_name) {
  SimLandscape sim(kBinLandscape + landscape_lines);
  RfcContext context = sim.context();
  LogonRecords records;
  RFC_HANDLE handle = open_sap_connection(context, bin_entries(), records);
  EXPECT_NE(handle, 0u);
  NetworkUsage usage;
  Measurement measurement = usage.measure_network_usage(context, handle, "BIN", interface_name);
  EXPECT_EQ(sim.console(), "") << "the measurement prints nothing";
  EXPECT_EQ(rfcsim::seen().open_tables, 0) << "the table is deleted";
  return measurement;
}

const std::string kRows =
    "lan = eth0 6789 5556 1 2 3 12345\n"
    "lan = ETH1 100 200 0 0 0 300\n"
    "lan = lo 1 1 0 0 0 2\n";

struct Expected {
  std::string message;
  std::array<std::uint32_t, 6> totals;
};

TEST(NetworkUsageTest, AddsUpTheSelectedRows) {
  const struct {
    const char* name;
    std::string rows;
    std::string interface_name;
    Expected expected;
  } cases[] = {
      {"every row without an interface", kRows, "",
       {"(BIN) Network-Usage: Traffics=12.647, InPacks=6.890, OutPacks=5.757, InErr=1, OutErr=2, "
                   "Collisions=3",
       {12647, 6890, 5757, 1, 2, 3}}},
      {"interface in any case, name shown as given", kRows, "Eth0",
       {"(BIN) Net-Usage LAN[Eth0]: Traffics=12.345, InPacks=6.789, OutPacks=5.556, InErr=1, OutErr=2, "
                   "Collisions=3",
       {12345, 6789, 5556, 1, 2, 3}}},
      {"row names in any case", kRows, "eth1",
       {"(BIN) Net-Usage LAN[eth1]: Traffics=300, InPacks=100, OutPacks=200, InErr=0, OutErr=0, "
                   "Collisions=0",
       {300, 100, 200, 0, 0, 0}}},
      {"a name longer than 8 never matches", kRows, "eth0eth0e",
       {"(BIN) Net-Usage LAN[eth0eth0e]: Traffics=0, InPacks=0, OutPacks=0, InErr=0, OutErr=0, "
                   "Collisions=0",
       {0, 0, 0, 0, 0, 0}}},
      {"a name that starts with a comma", kRows, ",x",
       {"(BIN) Net-Usage LAN[,x]: Traffics=0, InPacks=0, OutPacks=0, InErr=0, OutErr=0, Collisions=0",
       {0, 0, 0, 0, 0, 0}}},
      {"no rows", "", "",
       {"(BIN) Network-Usage: Traffics=0, InPacks=0, OutPacks=0, InErr=0, OutErr=0, Collisions=0",
       {0, 0, 0, 0, 0, 0}}},
      {"totals wrap around and fields may be negative",
       "lan = a 2147483647 -5 0 0 0 2147483647\nlan = b 2147483647 2 0 0 0 2147483647\nlan = c 3 0 0 0 0 4\n", "",
       {"(BIN) Network-Usage: Traffics=2, InPacks=1, OutPacks=4294.967.293, InErr=0, OutErr=0, "
                   "Collisions=0",
       {2, 1, 4294967293, 0, 0, 0}}},
      {"grouping in the message only", "lan = x 1234567 0 0 0 0 0\n", "",
       {"(BIN) Network-Usage: Traffics=0, InPacks=1.234.567, OutPacks=0, InErr=0, OutErr=0, Collisions=0",
       {0, 1234567, 0, 0, 0, 0}}},
  };
  for (const auto& c : cases) {
    Measurement measured = measure(c.rows, c.interface_name);
    EXPECT_TRUE(measured.call_ok()) << c.name;
    EXPECT_EQ(measured.message, c.expected.message) << c.name;
    EXPECT_EQ(measured.totals, c.expected.totals) << c.name;
    EXPECT_EQ(measured.failure_text, "") << c.name;
  }
}

TEST(NetworkUsageTest, FailedCallsLeaveTheirErrorText) {
  const struct {
    const char* landscape_line;
    int code;
    const char* text;
  } cases[] = {
      {"call = failure\n", 1, "Error 1014: RFC-Failure raised !"},
      {"receive = exception NO_DATA_FOUND\n", 2, "Error 1012: Exception.: NO_DATA_FOUND"},
      {"receive = sys-exception SYSTEM_FAILURE\n", 3, "Error 1013: Sys-Exception raised !"},
      {"receive = code 7\n", 7, "Error 1015: Other Failure raised !"},
      {"call = code -1\n", -1, "Error 1015: Other Failure raised !"},
  };
  for (const auto& c : cases) {
    Measurement measured = measure(c.landscape_line, "");
    EXPECT_EQ(measured.code, c.code) << c.landscape_line;
    EXPECT_FALSE(measured.call_ok()) << c.landscape_line;
    EXPECT_EQ(measured.failure_text, c.text) << c.landscape_line;
    EXPECT_EQ(measured.message, "") << c.landscape_line;
  }
}

TEST(NetworkUsageDeathTest, InternalTableFailuresEndTheRun) {
  for (const char* operation : {"ItCreate", "ItGetLine", "ItDelete"}) {
    EXPECT_EXIT(measure(kRows + "fail = " + operation + "\n", ""), testing::ExitedWithCode(1), "") << operation;
  }
  // An absurd row count ends at the first row the library does not have.
  for (const char* count : {"4", "4294967295"}) {
    EXPECT_EXIT(measure(kRows + "fill = " + count + "\n", ""), testing::ExitedWithCode(1), "") << count;
  }
}

TEST(NetworkUsageTest, AddsUpNoMoreRowsThanTheLibraryCounts) {
  Measurement none = measure(kRows + "fill = 0\n", "");
  EXPECT_TRUE(none.call_ok());
  EXPECT_EQ(none.totals, (std::array<std::uint32_t, 6>{}));
}

}  // namespace
}  // namespace quillar
