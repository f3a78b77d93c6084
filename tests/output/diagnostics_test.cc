#include "output/diagnostics.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace quillar {
namespace {

std::string remark_for_trace_file(const std::string* content) {
  FakePlatform platform;
  if (content != nullptr) platform.files["Dev_Rfc.Trc"] = *content;
  ResultDocument document;
  document.append("Error 1014: RFC-Failure raised !");
  scan_trace_file(platform, document);
  EXPECT_EQ(platform.files.count("Dev_Rfc.Trc"), content != nullptr ? 1u : 0u) << "the file stays";
  return document.text().substr(32);
}

TEST(TraceFileScanTest, FindsTheLastErrorTextOfTheLastBlock) {
  const std::string long_text(140, 'z');
  const struct {
    const char* name;
    std::string content;
    std::string remark;
  } cases[] = {
      {"ERROR line after the block start",
       "**** ERROR file opened at 20261210 061500\nERROR       partner not reached\n",
       " - partner not reached"},
      {"CR LF file", "**** ERROR file opened\r\nERROR       partner not reached\r\n",
       " - partner not reached"},
      {"arrow line", "**** ERROR file opened\nT:1234 ======> Connection refused\n",
       " - Connection refused"},
      {"arrow replaces an earlier ERROR line",
       "**** ERROR x\nERROR       first\nT:0001 ======> second\n", " - second"},
      {"later block start clears the text", "**** ERROR a\nERROR       old text\n**** ERROR b\n",
       " - Please Check Trace-File !"},
      {"last of several blocks",
       "**** ERROR a\nERROR       one\n**** ERROR b\nnoise\nERROR       two\nmore noise\n", " - two"},
      {"ERROR line shorter than its text column", "ERROR short\n", " - Please Check Trace-File !"},
      {"ERROR line with text in column 13 only", "ERROR 1234567\n", " - 7"},
      {"no error lines", "just\nsome\nlines\n", " - Please Check Trace-File !"},
      {"empty file", "", " - Please Check Trace-File !"},
      {"arrow needs its trailing blank", "T:1234 ======>x\n", " - Please Check Trace-File !"},
      {"lower-case error is no error line", "error       quiet\n", " - Please Check Trace-File !"},
      {"long ERROR line: its second piece is a line of its own",
       "ERROR       " + long_text + "\n", " - " + std::string(87, 'z')},
      {"text without line feed at the end of the file", "ERROR       last words", " - last words"},
      {"CR before CR LF: one CR stays after the line end is taken",
       "ERROR       text\r\r\n", " - text\r"},
      {"a following line strips one more CR from the found text",
       "ERROR       text\r\r\nnext\n", " - text"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(remark_for_trace_file(&c.content), c.remark) << c.name;
  }
  EXPECT_EQ(remark_for_trace_file(nullptr), " - Look for Trace-File");
}

TEST(TraceFileScanTest, PiecesOfALongLineAreTestedAsLines) {
  // The 100th character starts a new piece, so a marker there counts.
  std::string content = std::string(99, '-') + "ERROR       hidden marker\n";
  EXPECT_EQ(remark_for_trace_file(&content), " - hidden marker");
}

TEST(DiagnosticLogTest, WritesLinesOnlyWhenSyslogIsAskedFor) {
  const struct {
    const char* options;
    bool logs;
  } cases[] = {
      {",SYSLOG", true}, {"LAN=1,SYSLOG", true}, {"SYSLOG", false}, {"", false}, {", SYSLOG", false},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    DiagnosticLog log;
    log.apply_options(platform, c.options);
    log.log_event(0, "program started", "C:\\PRTG\\quillar.exe");
    log.log_event(17, "RfcOpen called", "");
    if (c.logs) {
      EXPECT_EQ(platform.files[kLogFileName], "0 program started C:\\PRTG\\quillar.exe\n17 RfcOpen called \n")
          << c.options;
    } else {
      EXPECT_EQ(platform.files.count(kLogFileName), 0u) << c.options;
    }
  }
}

TEST(DiagnosticLogTest, AnUnwritableLogIsSilent) {
  FakePlatform platform;
  platform.folders.insert(kLogFileName);
  DiagnosticLog log;
  log.apply_options(platform, ",SYSLOG");
  log.log_event(0, "program started", "x");
  EXPECT_EQ(platform.console, "");
}

TEST(DiagnosticLogTest, TheSwitchFollowsTheOptionsOfTheRun) {
  FakePlatform platform;
  DiagnosticLog log;
  log.apply_options(platform, "S01");
  log.log_event(0, "before", "");
  log.apply_options(platform, "LAN=1,SYSLOG");
  log.log_event(0, "after", "");
  log.apply_options(platform, "LAN=1");
  log.log_event(0, "switched off", "");
  EXPECT_EQ(platform.files[kLogFileName], "0 after \n");
}

TEST(LabelledLineTest, PadsTheLabelToItsWidth) {
  const struct {
    const char* label;
    int indent;
    int width;
    const char* value;
    const char* line;
  } cases[] = {
      {"status", 0, 15, "x", "status          : x\n"},
      {"operation/code", 0, 15, "ItCreate TF_LAN_SINGLE", "operation/code  : ItCreate TF_LAN_SINGLE\n"},
      {"internal status", 0, 15, "", "internal status : \n"},
      {"a label longer than its width", 0, 15, "v", "a label longer than its width : v\n"},
      {"key", 2, 5, "%s", "  key   : %s\n"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    print_labelled_line(platform, c.label, c.indent, c.width, c.value);
    EXPECT_EQ(platform.console, c.line) << c.label;
  }
}

}  // namespace
}  // namespace quillar
