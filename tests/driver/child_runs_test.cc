// The parts of child runs that need no process: the record stream, the way
// into a child, and the scratch folders on an in-memory platform.
#include <gtest/gtest.h>

#include "base/texts.h"
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
         encode_record(RecordKind::kConsole, "") + encode_record(RecordKind::kReport, "RFC error\n") +
         encode_record(RecordKind::kState, "1") +
         encode_record(RecordKind::kTraceRemoved, "") + encode_record(RecordKind::kEnd, "0");
}

TEST(ChildRecordsTest, ACompleteStreamReadsBackInOrder) {
  ChildRecords records = decode_records(complete_stream() + "C3:abc\n");
  EXPECT_EQ(records.channel_name, "PRD.P00");
  EXPECT_EQ(records.system_line, "* 12:00:00 P");
  ASSERT_EQ(records.output.size(), 4u) << "nothing after the end record counts";
  EXPECT_EQ(records.output[0].bytes, "a:b\nc");
  EXPECT_EQ(records.output[1].kind, RecordKind::kValue);
  EXPECT_EQ(records.output[1].value, 4294967295u);
  EXPECT_EQ(records.output[3].kind, RecordKind::kReport);
  EXPECT_EQ(records.output[3].bytes, "RFC error\n");
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

TEST(ChildJobTest, AJobRoundTrips) {
  FakePlatform platform;
  const ChildJob job{"Quillar.4242.00ff00ff00ff00ff", 4242, 17, make_job_secret(platform)};
  EXPECT_EQ(job.secret, "00000000000012340000000000001235");
  std::optional<ChildJob> read = decode_child_job(encode_child_job(job));
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->scratch, job.scratch);
  EXPECT_EQ(read->parent_id, 4242u);
  EXPECT_EQ(read->position, 17u);
  EXPECT_EQ(read->secret, job.secret);
}

// Anything but exactly a job is no job: the run is an ordinary sensor's.
TEST(ChildJobTest, OnlyAWellFormedJobIsOne) {
  const std::string secret = "0123456789abcdef0123456789abcdef";
  const std::string mark = "Quillar child job 1\n";
  const std::string hostile[] = {
      "",
      "\n",
      mark,
      mark + "Quillar.1.a\n1\n" + secret,                       // no last line end
      mark + "Quillar.1.a\n1\n" + secret + "\nmore\n",          // a line too many
      mark + "Quillar.1.a\n0\n" + secret + "\n",                // positions count from 1
      mark + "Quillar.1.a\n01\n" + secret + "\n",
      mark + "Quillar.1.a\n100000\n" + secret + "\n",
      mark + "Quillar.1.A\n1\n" + secret + "\n",                // no scratch folder's name
      mark + "..\\victim\n1\n" + secret + "\n",
      mark + "Quillar.0.a\n1\n" + secret + "\n",
      mark + "Quillar.1.a\n1\n" + secret.substr(1) + "\n",      // a secret too short
      mark + "Quillar.1.a\n1\n" + secret + "0\n",
      mark + "Quillar.1.a\n1\n0123456789ABCDEF0123456789abcdef\n",
      "Quillar child job 2\nQuillar.1.a\n1\n" + secret + "\n",
      mark + "Quillar.1.a\r\n1\n" + secret + "\n",
  };
  for (const std::string& handed : hostile) EXPECT_EQ(decode_child_job(handed), std::nullopt) << handed;
}

// The child's arguments typed on a command line make no child: they are read
// as any sensor's, and a job that is not the parent's records nothing.
TEST(ChildJobTest, OnlyTheParentsJobMakesAChild) {
  FakePlatform typed;
  typed.folders.insert("Quillar.1.a");
  EXPECT_EQ(run_sensor(typed, {"quillar.exe", "--child", "Quillar.1.a", "1", "PRD", "MODE=Mervesk"}),
            kExitErrorDocument);
  EXPECT_EQ(typed.console, "<Prtg>\n<Error>1</Error>\n<Text>Error 1002: Profile --child.P00 is missing...</Text>\n</Prtg>\n");

  // A job whose scratch folder the run cannot enter as the parent's.
  FakePlatform handed;
  handed.files["PRD.P00"] =
      "Destination: BIN\nClient.....: 100\nUser.......: rfcuser\nPassword...: ;/1<P|d'TPTUnNHWU\\F3.uvg\n"
      "Language...: E\nMode.......: R/3\nHostname...: sapbin\nSysnr......: 00\nGwhost.....: sapbin\n"
      "Gwservice..: sapgw00\nExtcompany.: ACME\n";
  handed.folders.insert("Quillar.1.a");
  handed.job_on_input = encode_child_job({"Quillar.1.a", 1, 1, std::string(32, 'a')});
  EXPECT_EQ(run_sensor(handed, {"quillar.exe", "PRD", "MODE=Mervesk,DEADLINE=5"}), kExitErrorDocument);
  EXPECT_EQ(handed.console, "");
  EXPECT_EQ(handed.files.count("Quillar.1.a\\Quillar.records"), 0u);
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
  std::unique_ptr<Folder> working = platform.open_folder("");
  platform.links.insert("Quillar.4242.0000000000001234");
  platform.files["Quillar.4242.0000000000001235"] = "";
  platform.folders.insert("Quillar.4242.0000000000001236");
  EXPECT_EQ(make_scratch_folder(platform, *working), "Quillar.4242.0000000000001237");
  platform.next_random = 0x1238;
  for (std::uint64_t k = 0x1238; k < 0x1238 + 16; ++k) {
    platform.links.insert("Quillar.4242." + hexadecimal_digits(k));
  }
  EXPECT_EQ(make_scratch_folder(platform, *working), std::nullopt);
}

TEST(ScratchFolderTest, ClearingRemovesOnlyWhatTheRunMadeAndFollowsNoLink) {
  const std::string scratch = "Quillar.4242.1";
  FakePlatform platform;
  std::unique_ptr<Folder> working = platform.open_folder("");
  platform.folders.insert(scratch);
  platform.files[scratch + "\\Quillar.records"] = "E1:0\n";
  platform.files[scratch + "\\Quillar.job"] = "secret";
  platform.files[scratch + "\\Dev_Rfc.Trc"] = "child's blocks\n";
  platform.links.insert(scratch + "\\Quillar.log");
  platform.links.insert(scratch + "\\link.trc");
  platform.files[scratch + "\\rfc_own.trc"] = "child's\n";
  platform.files[scratch + "\\new.trc"] = "new\n";
  platform.folders.insert(scratch + "\\library");
  platform.files[scratch + "\\library\\inside"] = "kept\n";
  platform.files["rfc_own.trc"] = "parent's\n";
  platform.links.insert("new.trc");
  clear_scratch_folder(platform, *working, scratch);
  EXPECT_EQ(platform.files, (std::map<std::string, std::string>{{"library\\inside", "kept\n"},
                                                                {"new.trc", "new\n"},
                                                                {"rfc_own.trc", "parent's\nchild's\n"}}));
  EXPECT_EQ(platform.links, std::set<std::string>{});
  EXPECT_EQ(platform.folders, std::set<std::string>{"library"});

  // A link in the place of a scratch folder is left alone, with what it
  // points at.
  FakePlatform planted;
  std::unique_ptr<Folder> planted_working = planted.open_folder("");
  planted.links.insert(scratch);
  planted.files[scratch + "\\Dev_Rfc.Trc"] = "victim's\n";
  clear_scratch_folder(planted, *planted_working, scratch);
  sweep_stale_scratch_folders(planted, *planted_working, [] { return false; });
  EXPECT_EQ(planted.files.size(), 1u);
  EXPECT_EQ(planted.links.size(), 1u);
}

// Stale folders of dead runs of this user are claimed, carried and cleared;
// the others, and every name that could be read as a path, are left alone.
TEST(ScratchFolderTest, TheSweepTakesOnlyThisUsersFoldersOfDeadRuns) {
  FakePlatform platform;
  std::unique_ptr<Folder> working = platform.open_folder("");
  platform.alive = {77};
  for (const char* folder : {"Quillar.66.1", "Quillar.77.1", "Quillar.4242.1", "Quillar.x.1", "Quillar.88.1"}) {
    platform.folders.insert(folder);
    platform.files[std::string(folder) + "\\Quillar.log"] = std::string(folder) + "\n";
  }
  platform.foreign_folders.insert("Quillar.88.1");
  platform.files["Quillar.66.1\\Dev_Rfc.Trc"] = "block\n";
  platform.files["Quillar.66.1\\SapRfc.ini"] = "stale\n";
  for (const char* name : {"..\\..\\etc\\x", "a:stream", "up..here"}) {
    platform.files[std::string("Quillar.66.1\\") + name] = "not a name\n";
  }
  sweep_stale_scratch_folders(platform, *working, [] { return false; });
  // The folder that keeps the entries it may not touch is left under the
  // name this run claimed it by.
  EXPECT_EQ(platform.folders, (std::set<std::string>{"Quillar.77.1", "Quillar.4242.1", "Quillar.x.1", "Quillar.88.1",
                                                     "Quillar.4242.0000000000001234"}));
  EXPECT_EQ(platform.files["Quillar.log"], "Quillar.66.1\n");
  EXPECT_EQ(platform.files["Dev_Rfc.Trc"], "block\n");
  EXPECT_EQ(platform.files.count("SapRfc.ini"), 0u);
  for (const char* name : {"..\\..\\etc\\x", "a:stream", "up..here"}) {
    EXPECT_EQ(platform.files.count(std::string("Quillar.4242.0000000000001234\\") + name), 1u) << name;
    EXPECT_EQ(platform.files.count(name), 0u) << name;
  }
}

TEST(ScratchFolderTest, TheSweepStopsWhenTheRunIsOutOfTime) {
  FakePlatform platform;
  std::unique_ptr<Folder> working = platform.open_folder("");
  for (const char* folder : {"Quillar.61.1", "Quillar.62.1", "Quillar.63.1"}) {
    platform.folders.insert(folder);
    platform.files[std::string(folder) + "\\Quillar.log"] = std::string(folder) + "\n";
  }
  int asked = 0;
  sweep_stale_scratch_folders(platform, *working, [&asked] { return ++asked > 1; });
  EXPECT_EQ(platform.files["Quillar.log"], "Quillar.61.1\n");
  EXPECT_EQ(platform.folders, (std::set<std::string>{"Quillar.62.1", "Quillar.63.1"}));
}

// Merging a child's files into a full disk, or into anything but a plain
// file, says so instead of dropping them silently.
TEST(ScratchFolderTest, AFailedMergeIsReported) {
  FakePlatform platform;
  std::unique_ptr<Folder> working = platform.open_folder("");
  platform.folders.insert("Quillar.4242.1");
  platform.files["Quillar.4242.1\\Dev_Rfc.Trc"] = "a block of the child\n";
  platform.files["Quillar.4242.1\\Quillar.log"] = "1 RfcOpen called \n";
  platform.files["Quillar.4242.1\\SapRfc.ini"] = "DEST=QAS\n";
  platform.files["Dev_Rfc.Trc"] = "earlier\n";
  platform.file_rooms["Dev_Rfc.Trc"] = 10;
  platform.file_rooms["SapRfc.ini"] = 3;
  platform.links.insert("Quillar.log");
  std::unique_ptr<Folder> scratch = working->open_folder("Quillar.4242.1");
  merge_run_files(platform, *working, *scratch, false);
  EXPECT_EQ(platform.error_console,
            "Quillar: Quillar.log not written whole: No such file or directory\n"
            "Quillar: Dev_Rfc.Trc not written whole: No such file or directory\n"
            "Quillar: SapRfc.ini not written whole: No such file or directory\n");
}

// A file beyond the room of a carry is carried as its last part, from a line
// start, behind a line that says what was left out; a smaller one whole.
TEST(ScratchFolderTest, AHugeFileIsCarriedAsItsLastPart) {
  const std::string line(99, 'x');
  std::string huge;
  while (huge.size() <= kCarriedRoom) huge += line + "\n";
  huge += "last\n";
  FakePlatform platform;
  platform.read_chunk = 4000;
  std::unique_ptr<Folder> working = platform.open_folder("");
  platform.folders.insert("Quillar.4242.1");
  platform.files["Quillar.4242.1\\Dev_Rfc.Trc"] = huge;
  platform.files["Quillar.4242.1\\Quillar.log"] = "1 RfcOpen called \n";
  std::unique_ptr<Folder> scratch = working->open_folder("Quillar.4242.1");
  merge_run_files(platform, *working, *scratch, false);
  const std::string& carried = platform.files["Dev_Rfc.Trc"];
  const std::size_t note_end = carried.find('\n') + 1;
  const std::size_t left_out = huge.size() - (carried.size() - note_end);
  EXPECT_EQ(carried.substr(0, note_end), "Quillar: the first " + std::to_string(left_out) + " of " +
                                             std::to_string(huge.size()) +
                                             " bytes of an earlier Dev_Rfc.Trc were left out here\n");
  EXPECT_EQ(left_out % (line.size() + 1), 0u) << "the carried part begins a line";
  EXPECT_LE(carried.size() - note_end, kCarriedRoom);
  EXPECT_EQ(carried.substr(carried.size() - 5), "last\n");
  EXPECT_EQ(platform.files["Quillar.log"], "1 RfcOpen called \n");
}

}  // namespace
}  // namespace quillar
