#include "rfc/error_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "fake_platform.h"

namespace quillar {
namespace {

// A console that a death test can read: it writes to standard error.
class StandardErrorConsole : public FakePlatform {
 public:
  void write_console(std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stderr);
    note_console_output(text);
  }
};

// The report serves the target set last for as long as that target lives;
// a target that ended, as a finished run's does, is never reached again.
TEST(ErrorReportDeathTest, ServesNoTargetThatEnded) {
  StandardErrorConsole console;
  RfcEntryPoints rfc;
  rfc.RfcLastError = [](RFC_ERROR_INFO* error) {
    std::strcpy(error->key, "RFC_ERROR_SYSTEM_FAILURE");
    return 0;
  };
  rfc.RfcClose = [](RFC_HANDLE) {};
  char operation[] = "RfcCall";
  {
    const ErrorReportTarget target{console, rfc};
    set_error_report_target(target);
    EXPECT_EXIT(rfc_error_report(operation), testing::ExitedWithCode(1), "RFC error\n.*RFC_ERROR_SYSTEM_FAILURE");
  }
  EXPECT_EXIT(rfc_error_report(operation), testing::ExitedWithCode(1), "^$");
}

}  // namespace
}  // namespace quillar
