#include "rfc/rfc_files.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace quillar {
namespace {

std::string remark_for_trace_file(const std::string* content) {
  FakePlatform platform;
  if (content != nullptr) platform.files["Dev_Rfc.Trc"] = *content;
  std::string remark = trace_file_remark(platform);
  EXPECT_EQ(platform.files.count("Dev_Rfc.Trc"), content != nullptr ? 1u : 0u) << "the file stays";
  return remark;
}

// The library writes its trace file by name: only a missing one or a plain
// file of its own lets it work there.
TEST(TraceFilePlaceTest, AnythingButAPlainFileAtTheTraceFileIsRefused) {
  const std::string refused =
      "Error 1065: Dev_Rfc.Trc in C:\\work\\ is no plain file of its own (a link, FIFO or folder), remove it, the "
      "RFC library writes its trace there...";
  const struct {
    const char* name;
    void (*place)(FakePlatform&);
    std::string text;
  } cases[] = {
      {"missing", [](FakePlatform&) {}, ""},
      {"a plain file", [](FakePlatform& p) { p.files["Dev_Rfc.Trc"] = "old block\n"; }, ""},
      {"a link, FIFO or file of more links", [](FakePlatform& p) { p.links.insert("Dev_Rfc.Trc"); }, refused},
      {"a folder", [](FakePlatform& p) { p.folders.insert("Dev_Rfc.Trc"); }, refused},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    c.place(platform);
    const Status status = check_trace_file_place(platform);
    EXPECT_EQ(status.text(), c.text) << c.name;
    EXPECT_EQ(status.fault(), c.text.empty() ? Fault::kCount : Fault::kTraceFileUnusable) << c.name;
    EXPECT_EQ(platform.files.count("Dev_Rfc.Trc") + platform.links.count("Dev_Rfc.Trc") +
                  platform.folders.count("Dev_Rfc.Trc"),
              c.name == std::string("missing") ? 0u : 1u)
        << c.name << ": the entry stays";
  }
}

// SapRfc.ini is replaced whole or not at all, never through anything but a
// plain file; a rename that another process holds up for a moment is tried
// again, and nothing of the private draft stays either way.
TEST(DestinationsFileTest, ReplacedInOneStepOrNotAtAll) {
  const struct {
    const char* name;
    void (*place)(FakePlatform&);
    bool replaced;
  } cases[] = {
      {"missing", [](FakePlatform&) {}, true},
      {"a plain file", [](FakePlatform& p) { p.files["SapRfc.ini"] = "old\n"; }, true},
      {"held up for a moment", [](FakePlatform& p) { p.files["SapRfc.ini"] = "old\n"; p.refused_moves["SapRfc.ini"] = 3; },
       true},
      {"held up for good", [](FakePlatform& p) { p.files["SapRfc.ini"] = "old\n"; p.refused_moves["SapRfc.ini"] = 1000; },
       false},
      {"a link", [](FakePlatform& p) { p.files["SapRfc.ini"] = "old\n"; p.links.insert("SapRfc.ini"); }, false},
      {"a folder", [](FakePlatform& p) { p.folders.insert("SapRfc.ini"); }, false},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    c.place(platform);
    const bool was_file = platform.files.count("SapRfc.ini") != 0;
    std::unique_ptr<Folder> working = platform.open_folder("");
    ASSERT_NE(working, nullptr);
    EXPECT_EQ(replace_destinations_file(platform, *working, "DEST=BIN\n"), c.replaced) << c.name;
    if (c.replaced) {
      EXPECT_EQ(platform.files["SapRfc.ini"], "DEST=BIN\n") << c.name;
    } else if (was_file) {
      EXPECT_EQ(platform.files["SapRfc.ini"], "old\n") << c.name;
    }
    EXPECT_LE(platform.clock_ms, 100u) << c.name << ": a tenth of a second at most";
    for (const auto& [path, content] : platform.files) {
      EXPECT_FALSE(is_private_destinations_name(path)) << c.name << ": " << path;
    }
  }
}

// Copies of runs that ended in the middle of their logon go; those of runs
// that may still log on, and every other file, stay.
TEST(DestinationsFileTest, OnlyCopiesOfEndedRunsAreRemoved) {
  FakePlatform platform;
  platform.alive = {77, platform.own_id};
  const struct {
    const char* name;
    bool stays;
  } files[] = {
      {"SapRfc.77.00ab.ini", true},
      {"SapRfc.4242.00ab.ini", true},
      {"SapRfc.66.00ab.ini", false},
      {"saprfc.66.00AB.INI", false},
      {"SapRfc.4294967296.00ab.ini", false},
      {"SapRfc.99999999999999999999999.00ab.ini", false},
      {"SapRfc.ini", true},
      {"SapRfc.66", true},
      {"SapRfc.66.xyz.ini", true},
      {"Other.66.00ab.ini", true},
  };
  for (const auto& f : files) platform.files[f.name] = "DEST=X\n";
  std::unique_ptr<Folder> working = platform.open_folder("");
  ASSERT_NE(working, nullptr);
  remove_stale_private_destinations(platform, *working);
  for (const auto& f : files) EXPECT_EQ(platform.files.count(f.name), f.stays ? 1u : 0u) << f.name;
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

}  // namespace
}  // namespace quillar
