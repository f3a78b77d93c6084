#include "measure/network_usage.h"

#include <gtest/gtest.h>

#include "rfc/sim_landscape.h"

namespace quillar {
namespace {

Measurement measure(const std::string& landscape_lines, const std::string& interface_name) {
  SimLandscape sim(kBinLandscape + landscape_lines);
  RfcContext context = sim.context();
  LogonRecords records;
  RFC_HANDLE handle = open_connection(context, bin_entries(), records);
  EXPECT_NE(handle, 0u);
  NetworkUsage usage;
  ITAB_H table = usage.create_table(context.rfc);
  Measurement measurement = usage.measure_network_usage(context, handle, table, interface_name);
  EXPECT_EQ(rfcsim::seen().open_tables, 1) << "the table lives until the caller releases it";
  usage.release_table(context.rfc, table);
  EXPECT_EQ(sim.console(), "") << "the measurement prints nothing";
  EXPECT_EQ(rfcsim::seen().open_tables, 0) << "the table is deleted";
  return measurement;
}

const std::string kRows =
    "lan = eth0 6789 5556 1 2 3 12345\n"
    "lan = ETH1 100 200 0 0 0 300\n"
    "lan = lo 1 1 0 0 0 2\n";

TEST(NetworkUsageTest, AddsUpTheSelectedRows) {
  const struct {
    const char* name;
    std::string rows;
    std::string interface_name;
    std::array<std::uint32_t, 6> totals;
  } cases[] = {
      {"every row without an interface", kRows, "", {12647, 6890, 5757, 1, 2, 3}},
      {"interface in any case", kRows, "Eth0", {12345, 6789, 5556, 1, 2, 3}},
      {"row names in any case", kRows, "eth1", {300, 100, 200, 0, 0, 0}},
      {"a name longer than 8 never matches", kRows, "eth0eth0e", {0, 0, 0, 0, 0, 0}},
      {"a name that starts with a comma", kRows, ",x", {0, 0, 0, 0, 0, 0}},
      {"no rows", "", "", {0, 0, 0, 0, 0, 0}},
      {"totals wrap around and fields may be negative",
       "lan = a 2147483647 -5 0 0 0 2147483647\nlan = b 2147483647 2 0 0 0 2147483647\nlan = c 3 0 0 0 0 4\n", "",
       {2, 1, 4294967293, 0, 0, 0}},
      {"a count past a million", "lan = x 1234567 0 0 0 0 0\n", "", {0, 1234567, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    Measurement measured = measure(c.rows, c.interface_name);
    EXPECT_TRUE(measured.call_ok()) << c.name;
    EXPECT_EQ(measured.totals, c.totals) << c.name;
  }
}

TEST(NetworkUsageTest, FailedCallsLeaveTheirCodeAndException) {
  const struct {
    const char* landscape_line;
    int code;
    const char* exception_name;
  } cases[] = {
      {"call = failure\n", 1, ""},
      {"receive = exception NO_DATA_FOUND\n", 2, "NO_DATA_FOUND"},
      {"receive = sys-exception SYSTEM_FAILURE\n", 3, "SYSTEM_FAILURE"},
      {"receive = code 7\n", 7, ""},
      {"call = code -1\n", -1, ""},
  };
  for (const auto& c : cases) {
    Measurement measured = measure(c.landscape_line, "");
    EXPECT_EQ(measured.code, c.code) << c.landscape_line;
    EXPECT_FALSE(measured.call_ok()) << c.landscape_line;
    EXPECT_EQ(measured.exception_name, c.exception_name) << c.landscape_line;
    EXPECT_EQ(measured.totals, (std::array<std::uint32_t, 6>{})) << c.landscape_line;
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
