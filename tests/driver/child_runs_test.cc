// The parts of child runs that need no process: the record stream, the way
// into a child, and the scratch folders on an in-memory platform.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "base/texts.h"
#include "driver/child_job.h"
#include "driver/child_records.h"
#include "driver/scratch_folder.h"
#include "driver/sensor.h"
#include "rfc/rfc_files.h"
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

// A sweep that overruns the whole run (a disk or share that hangs) asks no
// system, and says so instead of blaming a host; one that keeps to its share
// leaves the system its time.
TEST(ChildJobTest, ASweepThatTookTheRunAsksNoSystem) {
  // Each look at a dead run's folder takes a minute.
  class HangingDisk final : public FakePlatform {
   public:
    bool process_alive(unsigned long) override {
      clock_ms += 60000;
      return false;
    }
  };
  const std::string profile =
      "Destination: BIN\nClient.....: 100\nUser.......: rfcuser\nPassword...: ;/1<P|d'TPTUnNHWU\\F3.uvg\n"
      "Language...: E\nMode.......: R/3\nHostname...: sapbin\nSysnr......: 00\nGwhost.....: sapbin\n"
      "Gwservice..: sapgw00\nExtcompany.: ACME\n";
  HangingDisk platform;
  platform.files["PRD.P00"] = profile;
  platform.folders.insert("Quillar.66.1");
  EXPECT_EQ(run_sensor(platform, {"quillar.exe", "PRD", "MODE=Mervesk,DEADLINE=2,RUNTIME=5"}), kExitErrorDocument);
  EXPECT_EQ(platform.console,
            "<Prtg>\n<Error>1</Error>\n<Text>Error 1067: SAP system BIN was not asked, clearing the scratch folders "
            "of earlier runs took the 5 seconds of the run...</Text>\n</Prtg>\n");
  EXPECT_TRUE(platform.offered_jobs.empty());

  FakePlatform quick;
  quick.files["PRD.P00"] = profile;
  quick.folders.insert("Quillar.66.1");
  EXPECT_EQ(run_sensor(quick, {"quillar.exe", "PRD", "MODE=Mervesk,DEADLINE=2,RUNTIME=5"}), kExitErrorDocument);
  EXPECT_EQ(quick.offered_jobs.size(), 1u) << "the system was asked: " << quick.console;
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

// A budget that never runs out, on a platform whose clock stands still.
WorkBudget unbounded(Platform& platform) { return WorkBudget(platform, UINT64_MAX, UINT64_MAX); }

// Carries out the folder `name` of the working directory, as a parent does
// once its child has ended.
bool carry_out(FakePlatform& platform, const std::string& name, ChildLeftovers leftovers = {false, true}) {
  std::unique_ptr<Folder> working = platform.open_folder("");
  std::unique_ptr<Folder> held = working->open_folder(name);
  if (!held) return false;
  WorkBudget budget = unbounded(platform);
  return carry_out_scratch_folder(platform, *working, name, std::move(held), leftovers, budget);
}

void sweep(FakePlatform& platform) {
  std::unique_ptr<Folder> working = platform.open_folder("");
  WorkBudget budget = unbounded(platform);
  sweep_stale_scratch_folders(platform, *working, budget);
}

// Anything that already has a name, a link included, makes the run try
// another name; it is never used.
TEST(ScratchFolderTest, ANewFolderNeverTakesANameThatIsTaken) {
  FakePlatform platform;
  std::unique_ptr<Folder> working = platform.open_folder("");
  platform.links.insert("Quillar.4242.0000000000001234");
  platform.files["Quillar.4242.0000000000001235"] = "";
  platform.folders.insert("Quillar.4242.0000000000001236");
  std::unique_ptr<ScratchFolder> made = ScratchFolder::make(platform, *working);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->name(), "Quillar.4242.0000000000001237");
  platform.next_random = 0x1238;
  for (std::uint64_t k = 0x1238; k < 0x1238 + 16; ++k) {
    platform.links.insert("Quillar.4242." + hexadecimal_digits(k));
  }
  EXPECT_EQ(ScratchFolder::make(platform, *working), nullptr);
}

// A folder that another user renamed away and replaced, or that others may
// use, is no longer the run's own: nothing of it may be read.
TEST(ScratchFolderTest, AReplacedOrOpenedFolderIsNoLongerIntact) {
  struct Case {
    const char* what;
    std::function<void(FakePlatform&, const std::string&)> tamper;
    bool intact;
  };
  const std::vector<Case> cases = {
      {"untouched", [](FakePlatform&, const std::string&) {}, true},
      {"renamed away and replaced",
       [](FakePlatform& platform, const std::string& name) {
         platform.move_entry(name, "elsewhere");
         platform.folders.insert(name);
         platform.files[name + "\\Quillar.records"] = encode_record(RecordKind::kEnd, "0");
       },
       false},
      {"renamed away", [](FakePlatform& platform, const std::string& name) { platform.move_entry(name, "elsewhere"); },
       false},
      {"opened to others",
       [](FakePlatform& platform, const std::string& name) { platform.shared_folders.insert(name); }, false},
      {"given to another user",
       [](FakePlatform& platform, const std::string& name) { platform.foreign_folders.insert(name); }, false},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    std::unique_ptr<Folder> working = platform.open_folder("");
    std::unique_ptr<ScratchFolder> made = ScratchFolder::make(platform, *working);
    ASSERT_NE(made, nullptr);
    c.tamper(platform, made->name());
    EXPECT_EQ(made->intact(*working), c.intact) << c.what;
  }
}

TEST(ScratchFolderTest, ClearingRemovesOnlyWhatTheRunMadeAndFollowsNoLink) {
  const std::string scratch = "Quillar.4242.1";
  FakePlatform platform;
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
  EXPECT_TRUE(carry_out(platform, scratch, {false, false}));
  EXPECT_EQ(platform.files, (std::map<std::string, std::string>{{"Dev_Rfc.Trc", "child's blocks\n"},
                                                                {"library\\inside", "kept\n"},
                                                                {"new.trc", "new\n"},
                                                                {"rfc_own.trc", "parent's\nchild's\n"}}));
  EXPECT_EQ(platform.links, std::set<std::string>{});
  EXPECT_EQ(platform.folders, std::set<std::string>{"library"});

  // A link in the place of a scratch folder is left alone, with what it
  // points at.
  FakePlatform planted;
  planted.links.insert(scratch);
  planted.files[scratch + "\\Dev_Rfc.Trc"] = "victim's\n";
  EXPECT_FALSE(carry_out(planted, scratch));
  sweep(planted);
  EXPECT_EQ(planted.files.size(), 1u);
  EXPECT_EQ(planted.links.size(), 1u);
}

// Stale folders of dead runs of this user are claimed, carried and cleared;
// the others, and every name that could be read as a path, are left alone.
TEST(ScratchFolderTest, TheSweepTakesOnlyThisUsersFoldersOfDeadRuns) {
  FakePlatform platform;
  platform.alive = {77};
  for (const char* folder :
       {"Quillar.66.1", "Quillar.77.1", "Quillar.4242.1", "Quillar.x.1", "Quillar.88.1", "Quillar.99.1"}) {
    platform.folders.insert(folder);
    platform.files[std::string(folder) + "\\Quillar.log"] = std::string(folder) + "\n";
  }
  platform.foreign_folders.insert("Quillar.88.1");
  platform.shared_folders.insert("Quillar.99.1");
  platform.files["Quillar.66.1\\Dev_Rfc.Trc"] = "block\n";
  platform.files["Quillar.66.1\\SapRfc.ini"] = "stale\n";
  for (const char* name : {"..\\..\\etc\\x", "a:stream", "up..here"}) {
    platform.files[std::string("Quillar.66.1\\") + name] = "not a name\n";
  }
  sweep(platform);
  // The folder that keeps the entries it may not touch is left under the
  // name this run claimed it by.
  EXPECT_EQ(platform.folders, (std::set<std::string>{"Quillar.77.1", "Quillar.4242.1", "Quillar.x.1", "Quillar.88.1",
                                                     "Quillar.99.1", "Quillar.4242.0000000000001234"}));
  EXPECT_EQ(platform.files["Quillar.log"], "Quillar.66.1\n");
  EXPECT_EQ(platform.files["Dev_Rfc.Trc"], "block\n");
  EXPECT_EQ(platform.files.count("SapRfc.ini"), 0u);
  for (const char* name : {"..\\..\\etc\\x", "a:stream", "up..here"}) {
    EXPECT_EQ(platform.files.count(std::string("Quillar.4242.0000000000001234\\") + name), 1u) << name;
    EXPECT_EQ(platform.files.count(name), 0u) << name;
  }
}

// A clock that moves on a millisecond each time it is read.
class TickingPlatform : public FakePlatform {
 public:
  std::uint64_t monotonic_ms() override { return clock_ms++; }
};

// The sweep reads the clock for every folder and every entry, and stops
// where its budget of time or bytes ends: the rest waits for the next run,
// which goes on from there.
TEST(ScratchFolderTest, TheSweepStopsWhereItsBudgetEnds) {
  TickingPlatform platform;
  for (const char* folder : {"Quillar.61.1", "Quillar.62.1", "Quillar.63.1"}) {
    platform.folders.insert(folder);
    platform.files[std::string(folder) + "\\Quillar.log"] = std::string(folder) + "\n";
  }
  for (int k = 0; k < 5000; ++k) platform.files["Quillar.62.1\\cpic" + std::to_string(k) + ".trc"] = "x\n";
  std::unique_ptr<Folder> working = platform.open_folder("");
  {
    WorkBudget budget(platform, platform.clock_ms + 400, UINT64_MAX);
    sweep_stale_scratch_folders(platform, *working, budget);
    EXPECT_LT(platform.clock_ms, 400u + 20u) << "the clock is read between any two steps";
  }
  EXPECT_EQ(platform.files["Quillar.log"], "Quillar.61.1\nQuillar.62.1\n");
  EXPECT_LT(platform.folder_entries("").size(), 5000u + 3u) << "not every entry was moved up";
  EXPECT_GT(platform.folder_entries("").size(), 10u) << "some were";

  // A byte budget ends the sweep between two pieces of a file.
  FakePlatform bytes;
  bytes.folders.insert("Quillar.61.1");
  std::string long_log;
  for (int k = 0; k < 3000; ++k) long_log += "line " + std::to_string(k) + " of the stale log\n";
  bytes.files["Quillar.61.1\\Quillar.log"] = long_log;
  std::unique_ptr<Folder> bytes_working = bytes.open_folder("");
  WorkBudget small(bytes, UINT64_MAX, 1);
  sweep_stale_scratch_folders(bytes, *bytes_working, small);
  EXPECT_LT(bytes.files["Quillar.log"].size(), long_log.size());
  bytes.own_id = 5000;
  sweep(bytes);
  EXPECT_EQ(bytes.files["Quillar.log"], long_log) << "the next run goes on where this one stopped";
  EXPECT_EQ(bytes.folders, std::set<std::string>{});
}

// Lines that are carried out of a stale folder stand in the working
// directory exactly once, whichever change the run that carried them was
// killed before: the next run goes on from what the folder notes.
TEST(ScratchFolderTest, AKilledCarryNeitherLosesNorDoublesALine) {
  std::string stale_log;
  for (int k = 0; k < 4000; ++k) stale_log += "1 RfcOpen stale line " + std::to_string(k) + "\n";
  const std::string stale_trace = "**** ERROR file opened\nblock\n";
  bool completed = false;
  for (std::size_t changes = 0; !completed; ++changes) {
    FakePlatform platform;
    platform.folders.insert("Quillar.66.1");
    platform.files["Quillar.66.1\\Quillar.log"] = stale_log;
    platform.files["Quillar.66.1\\Dev_Rfc.Trc"] = stale_trace;
    platform.files["Quillar.66.1\\cpic.trc"] = "library's\n";
    platform.files["Quillar.log"] = "before\n";
    platform.changes_left = changes;
    sweep(platform);
    completed = platform.changes_left != 0u;
    // The next run, as another process, once this one is gone.
    platform.changes_left.reset();
    platform.own_id = 5000;
    sweep(platform);
    EXPECT_EQ(platform.files["Quillar.log"], "before\n" + stale_log) << "killed after " << changes << " changes";
    EXPECT_EQ(platform.files["Dev_Rfc.Trc"], stale_trace) << "killed after " << changes << " changes";
    EXPECT_EQ(platform.files["cpic.trc"], "library's\n") << "killed after " << changes << " changes";
    EXPECT_EQ(platform.folders, std::set<std::string>{}) << "killed after " << changes << " changes";
  }
}

// A write that fails (a full disk) stops the carry and keeps the folder:
// nothing is lost, the next run sends on the rest of the piece that the
// failed write cut, so that the cut line reads whole, and a line that
// another writer left cut is ended before anything is appended to it.
TEST(ScratchFolderTest, AFullDiskKeepsTheRestForTheNextRun) {
  std::string stale_log;
  for (int k = 0; k < 3000; ++k) stale_log += "stale line " + std::to_string(k) + "\n";
  for (std::size_t room : {20000u, 20003u, 20017u}) {
    FakePlatform platform;
    platform.folders.insert("Quillar.66.1");
    platform.files["Quillar.66.1\\Quillar.log"] = stale_log;
    platform.files["Quillar.log"] = "before\n";
    platform.file_rooms["Quillar.log"] = room;
    sweep(platform);
    EXPECT_NE(platform.error_console.find("Quillar: Quillar.log not written whole"), std::string::npos);
    EXPECT_EQ(platform.folders.size(), 1u) << "the folder is kept";
    EXPECT_EQ(platform.files["Quillar.log"].size(), room);
    platform.file_rooms.clear();
    platform.own_id = 5000;
    sweep(platform);
    EXPECT_EQ(platform.files["Quillar.log"], "before\n" + stale_log) << room;
    EXPECT_EQ(platform.folders, std::set<std::string>{});
  }

  // Another writer's cut line.
  FakePlatform platform;
  platform.folders.insert("Quillar.66.1");
  platform.files["Quillar.66.1\\Quillar.log"] = "stale\n";
  platform.files["Quillar.log"] = "0 cut off in the mid";
  sweep(platform);
  EXPECT_EQ(platform.files["Quillar.log"], "0 cut off in the mid\nstale\n");
}

// Runs of NUL bytes (a sparse file, a crash that left a hole) are dropped,
// and a line says how many.
TEST(ScratchFolderTest, NulBytesAreDroppedAndCounted) {
  FakePlatform platform;
  platform.folders.insert("Quillar.66.1");
  platform.files["Quillar.66.1\\Dev_Rfc.Trc"] = "a\n" + std::string(200000, '\0') + "b\n" + std::string(3, '\0');
  sweep(platform);
  EXPECT_EQ(platform.files["Dev_Rfc.Trc"],
            "a\nb\nQuillar: 200003 NUL bytes of an earlier Dev_Rfc.Trc were dropped here\n");
}

// Merging a child's files into a full disk, or into anything but a plain
// file, says so instead of dropping them silently.
TEST(ScratchFolderTest, AFailedMergeIsReported) {
  FakePlatform platform;
  platform.folders.insert("Quillar.4242.1");
  platform.files["Quillar.4242.1\\Dev_Rfc.Trc"] = "a block of the child\n";
  platform.files["Quillar.4242.1\\Quillar.log"] = "1 RfcOpen called \n";
  platform.files["Quillar.4242.1\\SapRfc.ini"] = "DEST=QAS\n";
  platform.files["Dev_Rfc.Trc"] = "earlier\n";
  platform.file_rooms["Dev_Rfc.Trc"] = 10;
  platform.file_rooms["SapRfc.ini"] = 3;
  platform.links.insert("Quillar.log");
  EXPECT_FALSE(carry_out(platform, "Quillar.4242.1"));
  EXPECT_EQ(platform.error_console,
            "Quillar: Quillar.log not written whole: no plain file there\n"
            "Quillar: Dev_Rfc.Trc not written whole: No such file or directory\n");
}

// A child's destinations file takes the working directory's place in one
// step, or is reported; a run's own copy that a killed child left is
// dropped, never carried.
TEST(ScratchFolderTest, AChildsDestinationsReplaceTheWorkingOnesWhole) {
  const struct {
    const char* name;
    bool working_name_is_folder;
    const char* error_console;
  } cases[] = {
      {"replaced", false, ""},
      {"a folder in the way", true, "Quillar: SapRfc.ini not written whole: No such file or directory\n"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.folders.insert("Quillar.4242.1");
    platform.files["Quillar.4242.1\\Quillar.log"] = "1 RfcOpenEx called \n";
    platform.files["Quillar.4242.1\\SapRfc.ini"] = "DEST=QAS\nASHOST=sapqas\n";
    platform.files["Quillar.4242.1\\SapRfc.4243.00000000000000ab.ini"] = "DEST=QAS\nASHOST=sapqas\n";
    if (c.working_name_is_folder) {
      platform.folders.insert("SapRfc.ini");
    } else {
      platform.files["SapRfc.ini"] = "DEST=BIN\nASHOST=sapbin\n";
    }
    EXPECT_TRUE(carry_out(platform, "Quillar.4242.1")) << c.name;
    EXPECT_EQ(platform.error_console, c.error_console) << c.name;
    EXPECT_EQ(platform.folders.count("SapRfc.ini"), c.working_name_is_folder ? 1u : 0u) << c.name;
    if (!c.working_name_is_folder) {
      EXPECT_EQ(platform.files["SapRfc.ini"], "DEST=QAS\nASHOST=sapqas\n") << c.name;
    }
    for (const auto& [path, content] : platform.files) {
      EXPECT_FALSE(is_private_destinations_name(path)) << c.name << ": " << path;
      EXPECT_EQ(path.find("Quillar.4242.1"), std::string::npos) << c.name << ": " << path;
    }
  }
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
  platform.folders.insert("Quillar.4242.1");
  platform.files["Quillar.4242.1\\Dev_Rfc.Trc"] = huge;
  platform.files["Quillar.4242.1\\Quillar.log"] = "1 RfcOpen called \n";
  EXPECT_TRUE(carry_out(platform, "Quillar.4242.1"));
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
