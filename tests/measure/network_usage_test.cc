#include "measure/network_usage.h"

#include <gtest/gtest.h>

#include "rfc/sim_landscape.h"

namespace quillar {
namespace {

struct Measured {
  int code = -1;
  SystemOutcome outcome;
  std::string document;
  std::string console;
};

Measured measure(const std::string& landscape_lines, const std::string& options, bool global_run = false,
                 const std::string& item = "") {
  SimLandscape sim(kBinLandscape + landscape_lines, options);
  sim.settings().global_run = global_run;
  sim.settings().item = item;
  RfcContext context = sim.context();
  LogonRecords records;
  RFC_HANDLE handle = open_sap_connection(context, bin_entries(), records);
  EXPECT_NE(handle, 0u);
  ResultDocument document(document_format("Tolvane", sim.settings().option_text, options));
  ChannelWriter channels;
  NetworkUsage usage;
  Measured measured;
  measured.code = usage.measure_network_usage(context, handle, bin_entries(), "PRD", document, channels,
                                              measured.outcome);
  measured.document = document.text();
  measured.console = sim.console();
  EXPECT_EQ(rfcsim::seen().open_tables, 0) << "the table is deleted";
  return measured;
}

const std::string kRows =
    "lan = eth0 6789 5556 1 2 3 12345\n"
    "lan = ETH1 100 200 0 0 0 300\n"
    "lan = lo 1 1 0 0 0 2\n";

std::string value_lines(const std::string& message, const std::array<const char*, 6>& values) {
  std::string text = "\n# " + message;
  for (std::size_t k = 0; k < 6; ++k) {
    text += "\n> " + std::string(kChannelLabels[k]) + ": " + values[k] + " #";
  }
  return text + "\n";
}

TEST(NetworkUsageTest, AddsUpTheSelectedRows) {
  const struct {
    const char* name;
    std::string rows;
    std::string options;
    std::string document;
  } cases[] = {
      {"every row without LAN=", kRows, "",
       value_lines("(BIN) Network-Usage: Traffics=12.647, InPacks=6.890, OutPacks=5.757, InErr=1, OutErr=2, "
                   "Collisions=3",
                   {"12647", "6890", "5757", "1", "2", "3"})},
      {"LAN= in any case, name shown as typed", kRows, "lan=Eth0,more",
       value_lines("(BIN) Net-Usage LAN[Eth0]: Traffics=12.345, InPacks=6.789, OutPacks=5.556, InErr=1, OutErr=2, "
                   "Collisions=3",
                   {"12345", "6789", "5556", "1", "2", "3"})},
      {"row names in any case", kRows, "LAN=eth1 x",
       value_lines("(BIN) Net-Usage LAN[eth1]: Traffics=300, InPacks=100, OutPacks=200, InErr=0, OutErr=0, "
                   "Collisions=0",
                   {"300", "100", "200", "0", "0", "0"})},
      {"a name longer than 8 never matches", kRows, "LAN=eth0eth0e",
       value_lines("(BIN) Net-Usage LAN[eth0eth0e]: Traffics=0, InPacks=0, OutPacks=0, InErr=0, OutErr=0, "
                   "Collisions=0",
                   {"0", "0", "0", "0", "0", "0"})},
      {"the first character is never a cut", kRows, "LAN=,x",
       value_lines("(BIN) Net-Usage LAN[,x]: Traffics=0, InPacks=0, OutPacks=0, InErr=0, OutErr=0, Collisions=0",
                   {"0", "0", "0", "0", "0", "0"})},
      {"no rows", "", "",
       value_lines("(BIN) Network-Usage: Traffics=0, InPacks=0, OutPacks=0, InErr=0, OutErr=0, Collisions=0",
                   {"0", "0", "0", "0", "0", "0"})},
      {"totals wrap around and fields may be negative",
       "lan = a 2147483647 -5 0 0 0 2147483647\nlan = b 2147483647 2 0 0 0 2147483647\nlan = c 3 0 0 0 0 4\n", "",
       value_lines("(BIN) Network-Usage: Traffics=2, InPacks=1, OutPacks=4294.967.293, InErr=0, OutErr=0, "
                   "Collisions=0",
                   {"2", "1", "4294967293", "0", "0", "0"})},
      {"grouping in the message only", "lan = x 1234567 0 0 0 0 0\n", "",
       value_lines("(BIN) Network-Usage: Traffics=0, InPacks=1.234.567, OutPacks=0, InErr=0, OutErr=0, Collisions=0",
                   {"0", "1234567", "0", "0", "0", "0"})},
  };
  for (const auto& c : cases) {
    Measured measured = measure(c.rows, c.options);
    EXPECT_EQ(measured.code, 0) << c.name;
    EXPECT_TRUE(measured.outcome.call_ok) << c.name;
    EXPECT_EQ(measured.document, c.document) << c.name;
    EXPECT_EQ(measured.console, "") << c.name;
  }
}

TEST(NetworkUsageTest, GlobalRunPrintsTheItemsChannelAlone) {
  Measured out_errors = measure(kRows, "", true, "Out-Errors");
  EXPECT_TRUE(out_errors.outcome.found);
  EXPECT_EQ(out_errors.console, "\n> PRD: 2 #");
  EXPECT_EQ(out_errors.document, "");

  Measured unknown = measure(kRows, "", true, "out-errors");
  EXPECT_TRUE(unknown.outcome.found) << "found, though no channel matches";
  EXPECT_EQ(unknown.console, "");
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
    Measured measured = measure(c.landscape_line, "");
    EXPECT_EQ(measured.code, c.code) << c.landscape_line;
    EXPECT_FALSE(measured.outcome.call_ok) << c.landscape_line;
    EXPECT_EQ(measured.document, c.text) << c.landscape_line;
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
  Measured none = measure(kRows + "fill = 0\n", "");
  EXPECT_TRUE(none.outcome.call_ok);
  EXPECT_NE(none.document.find("Traffics=0, InPacks=0,"), std::string::npos) << none.document;
}

}  // namespace
}  // namespace quillar
