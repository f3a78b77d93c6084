#include "output/diagnostics.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace quillar {
namespace {

TEST(DiagnosticLogTest, WritesLinesOnlyWhileSwitchedOn) {
  FakePlatform platform;
  DiagnosticLog log;
  log.log_event(0, "never switched", "");
  EXPECT_EQ(platform.files.count(kLogFileName), 0u) << "no file without the switch";
  log.switch_to(platform, true);
  log.log_event(0, "program started", "C:\\PRTG\\quillar.exe");
  log.log_event(17, "RfcOpen called", "");
  log.switch_to(platform, false);
  log.log_event(0, "switched off", "");
  log.switch_to(platform, true);
  log.log_event(2, "again", "x");
  EXPECT_EQ(platform.files[kLogFileName],
            "0 program started C:\\PRTG\\quillar.exe\n17 RfcOpen called \n2 again x\n");
}

// A line that an earlier writer left unended (a full disk, a kill) is ended
// before this run's first line; a log that ends a line is appended to as
// it stands.
TEST(DiagnosticLogTest, AnEarlierCutLineIsEndedFirst) {
  const struct {
    const char* before;
    const char* after;
  } cases[] = {
      {"", "1 RfcOpen called \n"},
      {"0 earlier \n", "0 earlier \n1 RfcOpen called \n"},
      {"0 cut off in the mid", "0 cut off in the mid\n1 RfcOpen called \n"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.files[kLogFileName] = c.before;
    DiagnosticLog log;
    log.switch_to(platform, true);
    log.log_event(1, "RfcOpen called", "");
    EXPECT_EQ(platform.files[kLogFileName], c.after) << c.before;
  }
}

// A log that cannot be written fails nothing and writes nothing into the
// output, but standard error tells it, once a run.
TEST(DiagnosticLogTest, AnUnwritableLogIsToldOnceOnStandardError) {
  FakePlatform platform;
  platform.folders.insert(kLogFileName);
  DiagnosticLog log;
  log.switch_to(platform, true);
  log.log_event(0, "program started", "x");
  log.switch_to(platform, false);
  log.switch_to(platform, true);
  log.log_event(0, "program started", "y");
  EXPECT_EQ(platform.console, "");
  EXPECT_EQ(platform.error_console,
            "Quillar: Quillar.log in C:\\work\\ cannot be written: no plain file of its own there (a link, FIFO or "
            "folder)\n");
}

TEST(LabelledLineTest, PadsTheLabelToItsWidth) {
  const struct {
    const char* label;
    const char* value;
    const char* line;
  } cases[] = {
      {"status", "x", "status          : x\n"},
      {"operation/code", "ItCreate TF_LAN_SINGLE", "operation/code  : ItCreate TF_LAN_SINGLE\n"},
      {"internal status", "", "internal status : \n"},
      {"a label longer than its width", "v", "a label longer than its width : v\n"},
      {"key", "%s", "key             : %s\n"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    print_labelled_line(platform, c.label, c.value);
    EXPECT_EQ(platform.console, c.line) << c.label;
  }
}

}  // namespace
}  // namespace quillar
