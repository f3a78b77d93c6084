#include "driver/result_rendering.h"

#include <gtest/gtest.h>

namespace quillar {
namespace {

TEST(ResultRenderingTest, TheMessageStatesTheTotals) {
  const struct {
    const char* name;
    const char* interface_name;
    std::array<std::uint32_t, 6> totals;
    const char* message;
  } cases[] = {
      {"every row", "", {12647, 6890, 5757, 1, 2, 3},
       "(BIN) Network-Usage: Traffics=12.647, InPacks=6.890, OutPacks=5.757, InErr=1, OutErr=2, Collisions=3"},
      {"one interface, named as given", "Eth0", {12345, 6789, 5556, 1, 2, 3},
       "(BIN) Net-Usage LAN[Eth0]: Traffics=12.345, InPacks=6.789, OutPacks=5.556, InErr=1, OutErr=2, "
       "Collisions=3"},
      {"a name that starts with a comma", ",x", {},
       "(BIN) Net-Usage LAN[,x]: Traffics=0, InPacks=0, OutPacks=0, InErr=0, OutErr=0, Collisions=0"},
      {"millions and the largest count", "", {0, 1234567, 4294967293u, 0, 0, 4294967295u},
       "(BIN) Network-Usage: Traffics=0, InPacks=1.234.567, OutPacks=4294.967.293, InErr=0, OutErr=0, "
       "Collisions=4294.967.295"},
  };
  for (const auto& c : cases) EXPECT_EQ(usage_message("BIN", c.interface_name, c.totals), c.message) << c.name;
}

TEST(ResultRenderingTest, AFailedCallHasItsFaultAndNumberedText) {
  const struct {
    int code;
    const char* exception_name;
    Fault fault;
    const char* text;
  } cases[] = {
      {RFC_FAILURE, "", Fault::kCallFailure, "Error 1014: RFC-Failure raised !"},
      {RFC_EXCEPTION, "NO_DATA_FOUND", Fault::kCallException, "Error 1012: Exception.: NO_DATA_FOUND"},
      {RFC_SYS_EXCEPTION, "SYSTEM_FAILURE", Fault::kCallSystemException, "Error 1013: Sys-Exception raised !"},
      {7, "", Fault::kCallOtherFailure, "Error 1015: Other Failure raised !"},
      {-1, "", Fault::kCallOtherFailure, "Error 1015: Other Failure raised !"},
  };
  for (const auto& c : cases) {
    Measurement measurement;
    measurement.code = c.code;
    measurement.exception_name = c.exception_name;
    const Status failure = failure_status(measurement);
    EXPECT_EQ(failure.fault(), c.fault) << c.code;
    EXPECT_EQ(failure.text(), c.text) << c.code;
  }
}

}  // namespace
}  // namespace quillar
