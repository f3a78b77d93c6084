// The parts of child runs that need no process: the record stream, the way
// into a child, and the scratch folders on an in-memory platform.
#include <gtest/gtest.h>

#include "driver/child_job.h"
#include "driver/child_records.h"
#include "driver/scratch_folder.h"
#include "driver/sensor.h"
#include "fake_platform.h"

namespace quillar {
namespace {

std::string complete_stream() {
  return encode_record(RecordKind::kChannelName, "PRD.P00") + encode_record(RecordKind::kSystemLine, "* 12:00:00 P") +
         encode_record(RecordKind::kConsole, "a:b\nc") + encode_record(RecordKind::kValue, "4294967295") +
         encode_record(RecordKind::kConsole, "") + encode_record(RecordKind::kState, "1") +
         encode_record(RecordKind::kTraceRemoved, "") + encode_record(RecordKind::kEnd, "0");
}

TEST(ChildRecordsTest, ACompleteStreamReadsBackInOrder) {
  ChildRecords records = decode_records(complete_stream() + "C3:abc\n");
  EXPECT_EQ(records.channel_name, "PRD.P00");
  EXPECT_EQ(records.system_line, "* 12:00:00 P");
  ASSERT_EQ(records.output.size(), 3u) << "nothing after the end record counts";
  EXPECT_EQ(records.output[0].bytes, "a:b\nc");
  EXPECT_EQ(records.output[1].kind, RecordKind::kValue);
  EXPECT_EQ(records.output[1].value, 4294967295u);
  EXPECT_EQ(records.state, SystemState::kProcessed);
  EXPECT_TRUE(records.trace_removed);
  EXPECT_EQ(records.exit_code, 0);
}

// A child ended at any byte of its stream never counts as complete.
TEST(ChildRecordsTest, AStreamCutAnywhereIsNotComplete) {
  const std::string stream = complete_stream();
  for (std::size_t cut = 0; cut < stream.size(); ++cut) {
    EXPECT_EQ(decode_records(stream.substr(0, cut)).exit_code, std::nullopt) << cut;
  }
}

TEST(ChildRecordsTest, MalformedRecordsEndTheReading) {
  const std::string end = encode_record(RecordKind::kEnd, "0");
  const char* const hostile[] = {
      "C01:x\n",          // a leading zero
      "C+1:x\n",          // a sign
      "C1:xy\n",          // the length is wrong
      "C1:x",             // no line feed
      "C9999999:x\n",     // longer than a record holds
      "X1:x\n",           // an unknown kind
      "V10:4294967296\n", // beyond 32 bits
      "V2:-1\n",
      "V0:\n",
      "S1:4\n",           // no such state
      "E1:3\n",           // no such exit code
      "D1:x\n",
      "E2:00\n",
      "\n",
  };
  for (const char* record : hostile) {
    ChildRecords records = decode_records(std::string(record) + end);
    EXPECT_EQ(records.exit_code, std::nullopt) << record;
  }
}

TEST(ChildJobTest, TheChildsCommandLineRoundTrips) {
  const std::vector<std::string> argument_lists[] = {
      {},
      {"GLOBAL", "S1 #", "more"},
      {"--child", "Quillar.1.a", "1"},
      {"C:\\p q\\PRD", "", "ITEM=a\"b\\"},
  };
  for (const auto& arguments : argument_lists) {
    const ChildJob job{"Quillar.4242.00ff00ff00ff00ff", 4242, 17};
    std::vector<std::string> command_line = child_command_line("C:\\x\\quillar.exe", job, arguments);
    EXPECT_EQ(command_line[0], "C:\\x\\quillar.exe");
    std::vector<std::string> read(command_line.begin() + 1, command_line.end());
    std::optional<ChildJob> taken = take_child_job(read);
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->scratch, job.scratch);
    EXPECT_EQ(taken->parent_id, 4242u);
    EXPECT_EQ(taken->position, 17u);
    EXPECT_EQ(read, arguments);
  }
}

// A malformed job is no job: the arguments stay for start-up, which refuses
// them as any sensor's.
TEST(ChildJobTest, AMalformedJobLeavesTheArgumentsAlone) {
  const std::vector<std::string> hostile[] = {
      {"--child"},
      {"--child", "Quillar.1.a"},
      {"--child", "Quillar.1.a", "0"},
      {"--child", "Quillar.1.a", "01"},
      {"--child", "Quillar.1.a", "100000"},
      {"--child", "Quillar.1.a", "1x"},
      {"--child", "Quillar.1.A", "1"},
      {"--child", "..\\victim", "1"},
      {"--child", "Quillar.0.a", "1"},
      {"--child", "Quillar.1.12345678901234567", "1"},
      {"--CHILD", "Quillar.1.a", "1"},
  };
  for (const auto& arguments : hostile) {
    std::vector<std::string> read = arguments;
    EXPECT_EQ(take_child_job(read), std::nullopt) << testing::PrintToString(arguments);
    EXPECT_EQ(read, arguments);
  }
  FakePlatform platform;
  EXPECT_EQ(run_sensor(platform, {"quillar.exe", "--child", "Quillar.1.a", "x"}), kExitErrorDocument);
  EXPECT_NE(platform.console.find("Error 1002: Profile --child.P00 is missing..."), std::string::npos)
      << platform.console;
}

TEST(ScratchFolderTest, OnlyScratchNamesHaveAnOwner) {
  const struct {
    const char* name;
    std::optional<unsigned long> owner;
  } cases[] = {
      {"Quillar.4242.0123456789abcdef", 4242},
      {"Quillar.1.1", 1},
      {"Quillar.4294967295.f", 4294967295ul},
      {"Quillar.4294967296.f", std::nullopt},
      {"Quillar.log", std::nullopt},
      {"Quillar.12.", std::nullopt},
      {"Quillar..1", std::nullopt},
      {"Quillar.012.1", std::nullopt},
      {"quillar.12.1", std::nullopt},
      {"Quillar.12.1\\x", std::nullopt},
      {"Quillar.12.0123456789abcdef0", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(scratch_owner(c.name), c.owner) << c.name;
}

// Anything that already has a name, a link included, makes the run try
// another name; it is never used.
TEST(ScratchFolderTest, ANewFolderNeverTakesANameThatIsTaken) {
  FakePlatform platform;
  platform.links.insert("Quillar.4242.0000000000001234");
  platform.files["Quillar.4242.0000000000001235"] = "";
  platform.folders.insert("Quillar.4242.0000000000001236");
  EXPECT_EQ(make_scratch_folder(platform), "Quillar.4242.0000000000001237");
  platform.next_random = 0x1238;
  for (std::uint64_t k = 0x1238; k < 0x1238 + 16; ++k) {
    char name[64];
    std::snprintf(name, sizeof name, "Quillar.4242.%016llx", static_cast<unsigned long long>(k));
    platform.links.insert(name);
  }
  EXPECT_EQ(make_scratch_folder(platform), std::nullopt);
}

TEST(ScratchFolderTest, ClearingRemovesOnlyWhatTheRunMadeAndFollowsNoLink) {
  const std::string scratch = "Quillar.4242.1";
  FakePlatform platform;
  platform.folders.insert(scratch);
  platform.files[scratch + "\\Quillar.records"] = "E1:0\n";
  platform.files[scratch + "\\Dev_Rfc.Trc"] = "child's blocks\n";
  platform.links.insert(scratch + "\\Quillar.log");
  platform.links.insert(scratch + "\\link.trc");
  platform.files[scratch + "\\rfc_own.trc"] = "child's\n";
  platform.files[scratch + "\\new.trc"] = "new\n";
  platform.folders.insert(scratch + "\\library");
  platform.files[scratch + "\\library\\inside"] = "kept\n";
  platform.files["rfc_own.trc"] = "parent's\n";
  platform.links.insert("new.trc");
  clear_scratch_folder(platform, scratch);
  EXPECT_EQ(platform.files, (std::map<std::string, std::string>{{"library\\inside", "kept\n"},
                                                                {"new.trc", "new\n"},
                                                                {"rfc_own.trc", "parent's\nchild's\n"}}));
  EXPECT_EQ(platform.links, std::set<std::string>{});
  EXPECT_EQ(platform.folders, std::set<std::string>{"library"});

  // A link in the place of a scratch folder is left alone, with what it
  // points at.
  FakePlatform planted;
  planted.links.insert(scratch);
  planted.files[scratch + "\\Dev_Rfc.Trc"] = "victim's\n";
  clear_scratch_folder(planted, scratch);
  sweep_stale_scratch_folders(planted);
  EXPECT_EQ(planted.files.size(), 1u);
  EXPECT_EQ(planted.links.size(), 1u);
}

TEST(ScratchFolderTest, TheSweepTakesOnlyFoldersOfDeadRuns) {
  FakePlatform platform;
  platform.alive = {77};
  for (const char* folder : {"Quillar.66.1", "Quillar.77.1", "Quillar.4242.1", "Quillar.x.1"}) {
    platform.folders.insert(folder);
    platform.files[std::string(folder) + "\\Quillar.log"] = std::string(folder) + "\n";
  }
  platform.files["Quillar.66.1\\Dev_Rfc.Trc"] = "block\n";
  platform.files["Quillar.66.1\\SapRfc.ini"] = "stale\n";
  sweep_stale_scratch_folders(platform);
  EXPECT_EQ(platform.folders, (std::set<std::string>{"Quillar.77.1", "Quillar.4242.1", "Quillar.x.1"}));
  EXPECT_EQ(platform.files["Quillar.log"], "Quillar.66.1\n");
  EXPECT_EQ(platform.files["Dev_Rfc.Trc"], "block\n");
  EXPECT_EQ(platform.files.count("SapRfc.ini"), 0u);
}

// Merging a child's files into a full disk says so instead of dropping them
// silently.
TEST(ScratchFolderTest, AFailedMergeIsReported) {
  FakePlatform platform;
  platform.folders.insert("Quillar.4242.1");
  platform.files["Quillar.4242.1\\Dev_Rfc.Trc"] = "a block of the child\n";
  platform.files["Quillar.4242.1\\SapRfc.ini"] = "DEST=QAS\n";
  platform.files["Dev_Rfc.Trc"] = "earlier\n";
  platform.file_rooms["Dev_Rfc.Trc"] = 10;
  platform.file_rooms["SapRfc.ini"] = 3;
  merge_run_files(platform, "Quillar.4242.1", false);
  EXPECT_EQ(platform.error_console,
            "Quillar: Dev_Rfc.Trc not written whole: No such file or directory\n"
            "Quillar: SapRfc.ini not written whole: No such file or directory\n");
}

}  // namespace
}  // namespace quillar
