// The POSIX platform against real files under a temporary drive root, and
// what every platform shares.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "fake_platform.h"
#include "platform/line_reader.h"
#include "platform/temp_drives.h"

namespace quillar {
namespace {

std::string read_all(ReadableFile& file) {
  std::string content;
  char block[7];
  while (std::size_t n = file.read(block, sizeof block)) content.append(block, n);
  return content;
}

TEST(PosixPlatformTest, OpensWindowsPathsOnTheEmulatedDrives) {
  TempDrives drives("d/sensors");
  drives.write("c/PRTG_Path.Txt", "C:\\PRTG\r\n");
  drives.write("d/Program Files/x.txt", "root-relative");
  drives.write("d/sensors/sub/PRD.P00", "relative");
  std::unique_ptr<Platform> platform = make_system_platform();

  const struct {
    const char* path;
    const char* content;
  } cases[] = {
      {"C:\\PRTG_Path.Txt", "C:\\PRTG\r\n"},
      {"c:\\prtg_path.txt", "C:\\PRTG\r\n"},
      {"\\Program Files\\x.txt", "root-relative"},
      {"\\PROGRAM FILES\\X.TXT", "root-relative"},
      {"sub\\PRD.P00", "relative"},
      {"D:\\sensors\\SUB\\prd.p00", "relative"},
  };
  for (const auto& c : cases) {
    std::unique_ptr<ReadableFile> file = platform->open_bytes(c.path);
    ASSERT_NE(file, nullptr) << c.path;
    EXPECT_EQ(read_all(*file), c.content) << c.path;
  }
  for (const char* missing : {"C:\\nothing.txt", "\\PRTG_Path.Txt", "E:\\PRTG_Path.Txt", "sub\\"}) {
    EXPECT_EQ(platform->open_bytes(missing), nullptr) << missing;
  }
}

TEST(PosixPlatformTest, FoldersDoNotOpenAsFiles) {
  TempDrives drives;
  drives.write("c/work/folder/inside.txt", "x");
  std::unique_ptr<Platform> platform = make_system_platform();
  for (const char* folder : {"folder", "FOLDER", "C:\\work\\folder", "\\work", ".", "C:\\"}) {
    EXPECT_EQ(platform->open_bytes(folder), nullptr) << folder;
    EXPECT_EQ(platform->open_text(folder), nullptr) << folder;
  }
}

TEST(PosixPlatformTest, TextFilesReadCrLfAsLineFeed) {
  TempDrives drives;
  drives.write("c/work/t.txt", "one\r\ntwo\rthree\r\n");
  std::unique_ptr<Platform> platform = make_system_platform();
  EXPECT_EQ(read_all(*platform->open_text("t.txt")), "one\ntwo\rthree\n");
  EXPECT_EQ(read_all(*platform->open_bytes("t.txt")), "one\r\ntwo\rthree\r\n");
}

TEST(PosixPlatformTest, WritingReplacesAFileOfAnyLetterCase) {
  TempDrives drives;
  drives.write("c/work/saprfc.ini", "old content");
  std::unique_ptr<Platform> platform = make_system_platform();
  {
    std::unique_ptr<WritableFile> file = platform->create_bytes("SapRfc.ini");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->write(std::string("new\r\n\0", 6)));
  }
  EXPECT_EQ(drives.read("c/work/saprfc.ini"), std::string("new\r\n\0", 6));
  EXPECT_FALSE(std::filesystem::exists(drives.root() / "c/work/SapRfc.ini"));

  std::unique_ptr<Folder> working = platform->open_folder("");
  ASSERT_NE(working, nullptr);
  {
    std::unique_ptr<WritableFile> log = working->write_file("quillar.LOG", FileWriting::kAppendText);
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->write("1 a b\n"));
  }
  {
    std::unique_ptr<WritableFile> log = working->write_file("Quillar.log", FileWriting::kAppendText);
    EXPECT_TRUE(log->write("2 c d\n"));
  }
  EXPECT_EQ(drives.read("c/work/quillar.LOG"), "1 a b\n2 c d\n");
  EXPECT_EQ(platform->create_bytes("C:\\work\\missing\\x.ini"), nullptr);
}

// What stands at a name decides what a folder does with it, and nothing but
// a plain file is ever read or written; no open waits.
TEST(PosixFolderTest, OnlyPlainFilesAreReadOrWritten) {
  TempDrives drives;
  const std::filesystem::path work = drives.root() / "c/work";
  drives.write("c/outside/victim.txt", "victim\n");
  drives.write("c/work/plain.txt", "plain\n");
  drives.write("c/work/folder/inside.txt", "inside\n");
  std::filesystem::create_symlink(drives.root() / "c/outside/victim.txt", work / "link.txt");
  std::filesystem::create_symlink(work / "missing.txt", work / "dangling.txt");
  std::filesystem::create_symlink("/dev/zero", work / "zero");
  std::filesystem::create_symlink(drives.root() / "c/outside", work / "linked-folder");
  ::mkfifo((work / "fifo").c_str(), 0600);
  std::filesystem::create_hard_link(drives.root() / "c/outside/victim.txt", work / "hard-link.txt");
  std::unique_ptr<Platform> platform = make_system_platform();
  std::unique_ptr<Folder> folder = platform->open_folder("");
  ASSERT_NE(folder, nullptr);

  const struct {
    const char* name;
    EntryKind kind;
    bool readable;
    bool writable;
  } cases[] = {
      {"plain.txt", EntryKind::kFile, true, true},
      {"PLAIN.TXT", EntryKind::kFile, true, true},
      {"missing.txt", EntryKind::kMissing, false, true},
      {"folder", EntryKind::kFolder, false, false},
      {"link.txt", EntryKind::kOther, false, false},
      {"dangling.txt", EntryKind::kOther, false, false},
      {"zero", EntryKind::kOther, false, false},
      {"linked-folder", EntryKind::kOther, false, false},
      {"fifo", EntryKind::kOther, false, false},
      {"hard-link.txt", EntryKind::kOther, false, false},
      {"HARD-LINK.TXT", EntryKind::kOther, false, false},
      {"..", EntryKind::kMissing, false, false},
      {"folder/inside.txt", EntryKind::kMissing, false, false},
      {"folder\\inside.txt", EntryKind::kMissing, false, false},
      {"..\\outside\\victim.txt", EntryKind::kMissing, false, false},
      {"plain.txt:stream", EntryKind::kMissing, false, false},
      {"", EntryKind::kMissing, false, false},
  };
  for (const auto& c : cases) {
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(folder->kind(c.name), c.kind) << c.name;
    EXPECT_EQ(folder->open_file(c.name) != nullptr, c.readable) << c.name;
    for (FileWriting how : {FileWriting::kAppend, FileWriting::kAppendText, FileWriting::kReplace}) {
      std::unique_ptr<WritableFile> file = folder->write_file(c.name, how);
      EXPECT_EQ(file != nullptr, c.writable) << c.name;
      if (file) file->close();
    }
    EXPECT_EQ(folder->open_folder(c.name) != nullptr, c.kind == EntryKind::kFolder) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(1)) << c.name;
    std::filesystem::remove(work / "missing.txt");
  }
  EXPECT_EQ(drives.read("c/outside/victim.txt"), "victim\n");
  EXPECT_EQ(drives.read("c/work/plain.txt"), "") << "the last write replaced it";
  EXPECT_FALSE(std::filesystem::exists(drives.root() / "c/work/missing.txt"));

  std::vector<std::string> names = folder->entries();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"dangling.txt", "fifo", "folder", "hard-link.txt", "link.txt",
                                             "linked-folder", "plain.txt", "zero"}));
}

// Making, moving and removing entries: a new name never replaces anything,
// a move replaces only when asked and never a folder, and a link is removed
// itself.
TEST(PosixFolderTest, MakesMovesAndRemovesEntriesByName) {
  TempDrives drives;
  const std::filesystem::path work = drives.root() / "c/work";
  drives.write("c/outside/victim.txt", "victim\n");
  drives.write("c/work/a.txt", "a\n");
  drives.write("c/work/b.txt", "b\n");
  std::filesystem::create_symlink(drives.root() / "c/outside/victim.txt", work / "link.txt");
  std::filesystem::create_hard_link(drives.root() / "c/outside/victim.txt", work / "hard-link.txt");
  std::unique_ptr<Platform> platform = make_system_platform();
  std::unique_ptr<Folder> folder = platform->open_folder("");
  ASSERT_NE(folder, nullptr);

  EXPECT_TRUE(folder->make_private_folder("scratch"));
  EXPECT_EQ(std::filesystem::status(work / "scratch").permissions(), std::filesystem::perms::owner_all);
  for (const char* taken : {"scratch", "SCRATCH", "a.txt", "link.txt"}) {
    EXPECT_FALSE(folder->make_private_folder(taken)) << taken;
  }
  std::unique_ptr<Folder> scratch = folder->open_folder("scratch");
  ASSERT_NE(scratch, nullptr);
  EXPECT_TRUE(scratch->owned_by_this_user());
  EXPECT_EQ(scratch->write_file("new.txt", FileWriting::kNew) != nullptr, true);
  EXPECT_EQ(scratch->write_file("new.txt", FileWriting::kNew), nullptr);

  EXPECT_FALSE(folder->move("a.txt", *folder, "b.txt", false));
  EXPECT_TRUE(folder->move("a.txt", *scratch, "moved.txt", false));
  EXPECT_TRUE(scratch->move("moved.txt", *folder, "b.txt", true));
  EXPECT_EQ(drives.read("c/work/b.txt"), "a\n");
  EXPECT_FALSE(folder->move("b.txt", *folder, "scratch", true));
  EXPECT_FALSE(folder->move("b.txt", *folder, "..\\b.txt", false));

  EXPECT_TRUE(folder->remove_file("link.txt"));
  EXPECT_TRUE(folder->remove_file("hard-link.txt"));
  EXPECT_EQ(drives.read("c/outside/victim.txt"), "victim\n");
  EXPECT_FALSE(folder->remove_file("scratch"));
  EXPECT_FALSE(folder->remove_folder("scratch")) << "not empty";
  EXPECT_TRUE(scratch->remove_file("new.txt"));
  scratch.reset();
  EXPECT_TRUE(folder->remove_folder("scratch"));
}

// A file of a folder knows its size and reads on from any byte of it.
TEST(PosixFolderTest, FilesSeek) {
  TempDrives drives;
  drives.write("c/work/ten.txt", "0123456789");
  std::unique_ptr<Platform> platform = make_system_platform();
  std::unique_ptr<ReadableFile> file = platform->open_folder("")->open_file("ten.txt");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->size(), 10u);
  EXPECT_TRUE(file->seek(7));
  EXPECT_EQ(read_all(*file), "789");
}

TEST(PosixPlatformTest, DeletesFilesInAnyLetterCase) {
  TempDrives drives;
  drives.write("c/work/Dev_Rfc.Trc", "trace");
  std::unique_ptr<Platform> platform = make_system_platform();
  EXPECT_TRUE(platform->delete_file("DEV_RFC.TRC"));
  EXPECT_FALSE(std::filesystem::exists(drives.root() / "c/work/Dev_Rfc.Trc"));
  EXPECT_FALSE(platform->delete_file("Dev_Rfc.Trc"));
}

// Without kept listings every lookup sees the folders as they stand: what
// the run writes, removes or finds made by others after a lookup, in any
// letter case.
TEST(PosixPlatformTest, LooksAtFoldersAnewForEachLookup) {
  TempDrives drives;
  std::unique_ptr<Platform> platform = make_system_platform();
  auto content = [&](const char* path) -> std::optional<std::string> {
    std::unique_ptr<ReadableFile> file = platform->open_bytes(path);
    return file ? std::optional<std::string>(read_all(*file)) : std::nullopt;
  };
  auto create = [&](const char* path, const char* text) {
    std::unique_ptr<WritableFile> file = platform->create_bytes(path);
    ASSERT_NE(file, nullptr) << path;
    EXPECT_TRUE(file->write(text));
    EXPECT_TRUE(file->close());
  };

  EXPECT_EQ(content("NEW.TXT"), std::nullopt);
  create("new.txt", "1");
  EXPECT_EQ(content("NEW.TXT"), "1");
  create("C:\\WORK\\New.Txt", "2");
  EXPECT_EQ(content("C:\\work\\NEW.TXT"), "2");
  EXPECT_FALSE(std::filesystem::exists(drives.root() / "c/work/New.Txt")) << "written over new.txt";
  EXPECT_TRUE(platform->delete_file("NEW.txt"));
  EXPECT_EQ(content("new.txt"), std::nullopt);

  EXPECT_EQ(content("\\Shared\\OTHER.TXT"), std::nullopt);
  drives.write("c/shared/Other.txt", "3");
  EXPECT_EQ(content("\\Shared\\OTHER.TXT"), "3");
  EXPECT_NE(platform->open_folder("C:\\SHARED"), nullptr);
  std::filesystem::remove(drives.root() / "c/shared/Other.txt");
  EXPECT_EQ(content("\\Shared\\OTHER.TXT"), std::nullopt);

  std::unique_ptr<Folder> working = platform->open_folder("");
  ASSERT_NE(working, nullptr);
  EXPECT_NE(working->write_file("Quillar.log", FileWriting::kAppendText), nullptr);
  EXPECT_EQ(content("QUILLAR.LOG"), "");
  EXPECT_TRUE(working->make_private_folder("Scratch"));
  EXPECT_NE(platform->open_folder("SCRATCH"), nullptr);
  EXPECT_TRUE(working->remove_folder("scratch"));
  EXPECT_EQ(platform->open_folder("SCRATCH"), nullptr);
}

// While listings are kept, each folder on the way is looked into once: a
// file made meanwhile in another letter case is not seen, and once they
// are no longer kept the folders are seen as they then stand.
TEST(PosixPlatformTest, KeptListingsServeUntilReleased) {
  TempDrives drives;
  drives.write("c/Program Files/PRTG/first.txt", "1");
  std::unique_ptr<Platform> platform = make_system_platform();
  auto content = [&](const char* path) -> std::optional<std::string> {
    std::unique_ptr<ReadableFile> file = platform->open_text(path);
    return file ? std::optional<std::string>(read_all(*file)) : std::nullopt;
  };
  {
    FolderListingsKept kept(*platform);
    EXPECT_EQ(content("\\PROGRAM FILES\\prtg\\FIRST.TXT"), "1");
    EXPECT_EQ(content("c:\\program files\\Prtg\\first.txt"), "1");
    EXPECT_EQ(content("\\Programme\\PRTG\\first.txt"), std::nullopt);
    drives.write("c/Program Files/PRTG/second.txt", "2");
    drives.write("c/Programme/PRTG/first.txt", "3");
    EXPECT_EQ(content("\\Program Files\\PRTG\\second.txt"), "2") << "as written, found without a listing";
    EXPECT_EQ(content("\\PROGRAM FILES\\PRTG\\SECOND.TXT"), std::nullopt);
    EXPECT_EQ(content("\\PROGRAMME\\PRTG\\first.txt"), std::nullopt);
  }
  EXPECT_EQ(content("\\PROGRAM FILES\\PRTG\\SECOND.TXT"), "2");
  EXPECT_EQ(content("\\PROGRAMME\\PRTG\\first.txt"), "3");
  std::filesystem::remove(drives.root() / "c/Program Files/PRTG/first.txt");
  EXPECT_EQ(content("\\PROGRAM FILES\\prtg\\FIRST.TXT"), std::nullopt);
  {
    FolderListingsKept kept_again(*platform);
    EXPECT_EQ(content("\\PROGRAM FILES\\prtg\\FIRST.TXT"), std::nullopt);
    EXPECT_EQ(content("\\PROGRAM FILES\\prtg\\SECOND.txt"), "2");
  }
}

// However the drive root is named (with a slash at its end, through a
// link, relative to the working directory), the working directory lies on
// the drive whose folder holds it, and paths lead to the same files.
TEST(PosixPlatformTest, DriveRootNamedAnyWay) {
  TempDrives drives("d/sensors");
  drives.write("d/Program Files/x.txt", "on d");
  drives.write("c/PRTG_Path.Txt", "on c");
  const std::filesystem::path link = drives.root().parent_path() / (drives.root().filename().string() + "-link");
  std::filesystem::create_directory_symlink(drives.root(), link);
  for (const std::string& root : {drives.root().string(), drives.root().string() + "/", drives.root().string() + "//",
                                  link.string(), link.string() + "/", std::string("../.."), std::string("../../")}) {
    ScopedEnvironmentVariable named("QUILLAR_DRIVE_ROOT", root);
    std::unique_ptr<Platform> platform = make_system_platform();
    EXPECT_EQ(platform->full_path("PRD.P00"), "D:\\sensors\\PRD.P00") << root;
    EXPECT_EQ(platform->full_path("\\PRD.P00"), "D:\\PRD.P00") << root;
    std::unique_ptr<ReadableFile> file = platform->open_bytes("\\program files\\X.TXT");
    ASSERT_NE(file, nullptr) << root;
    EXPECT_EQ(read_all(*file), "on d") << root;
    file = platform->open_bytes("C:\\prtg_path.txt");
    ASSERT_NE(file, nullptr) << root;
    EXPECT_EQ(read_all(*file), "on c") << root;
  }
  std::filesystem::remove(link);
}

// A child's working directory becomes its scratch folder: paths relative to
// the working directory lead there afterwards, in any letter case.
TEST(PosixPlatformTest, EnteredDirectoryIsWhereRelativePathsLead) {
  TempDrives drives;
  drives.write("c/work/File.txt", "outer");
  drives.write("c/work/Sub/file.TXT", "inner");
  std::unique_ptr<Platform> platform = make_system_platform();
  std::unique_ptr<ReadableFile> outer = platform->open_bytes("FILE.TXT");
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(read_all(*outer), "outer");
  ASSERT_TRUE(platform->enter_directory("Sub"));
  std::unique_ptr<ReadableFile> inner = platform->open_bytes("FILE.TXT");
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(read_all(*inner), "inner");
  EXPECT_EQ(platform->full_path("x"), "C:\\work\\Sub\\x");
  EXPECT_TRUE(platform->delete_file("File.Txt"));
  EXPECT_TRUE(std::filesystem::exists(drives.root() / "c/work/File.txt"));
  EXPECT_FALSE(std::filesystem::exists(drives.root() / "c/work/Sub/file.TXT"));
}

// A file opened by path knows its size and reads on from any byte of it.
TEST(PosixPlatformTest, FilesOpenedByPathSeek) {
  TempDrives drives;
  drives.write("c/work/ten.txt", "0123456789");
  std::unique_ptr<Platform> platform = make_system_platform();
  std::unique_ptr<ReadableFile> file = platform->open_bytes("TEN.TXT");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->size(), 10u);
  EXPECT_TRUE(file->seek(7));
  EXPECT_EQ(read_all(*file), "789");
  EXPECT_TRUE(file->seek(0));
  char first[4];
  EXPECT_EQ(file->read(first, sizeof first), 4u);
  EXPECT_EQ(std::string(first, 4), "0123");
}

// Every test finds the process as the one before it found it: the working
// directory and the drive root variable are given back, a variable that was
// not set is taken away again, and the folder is gone.
TEST(TempDrivesTest, GivesBackWhatItChanged) {
  const std::filesystem::path working_dir = std::filesystem::current_path();
  for (const std::optional<std::string>& outer : {std::optional<std::string>(), std::optional<std::string>("/outer")}) {
    ScopedEnvironmentVariable outer_root("QUILLAR_DRIVE_ROOT", outer);
    std::filesystem::path root;
    {
      TempDrives drives;
      root = drives.root();
      EXPECT_EQ(std::filesystem::current_path(), root / "c/work");
      EXPECT_EQ(std::getenv("QUILLAR_DRIVE_ROOT"), root.string());
    }
    EXPECT_EQ(std::filesystem::current_path(), working_dir);
    const char* now = std::getenv("QUILLAR_DRIVE_ROOT");
    EXPECT_EQ(now != nullptr ? std::optional<std::string>(now) : std::nullopt, outer);
    EXPECT_FALSE(std::filesystem::exists(root));
  }
}

// What the platform sets in the environment is what the C library, and so a
// library loaded into the process, reads there; nothing takes it away.
TEST(PosixPlatformTest, EnvironmentVariablesReachTheCLibrary) {
  const char kName[] = "QUILLAR_TEST_VARIABLE";
  ScopedEnvironmentVariable restored(kName, std::nullopt);
  std::unique_ptr<Platform> platform = make_system_platform();
  EXPECT_EQ(platform->environment_variable(kName), std::nullopt);
  for (const std::string& value : {std::string("SapRfc.17.ab.ini"), std::string("C:\\a b\\c=d.ini"), std::string()}) {
    EXPECT_TRUE(platform->set_environment_variable(kName, value)) << value;
    ASSERT_NE(std::getenv(kName), nullptr) << value;
    EXPECT_EQ(std::string(std::getenv(kName)), value);
    EXPECT_EQ(platform->environment_variable(kName), value);
  }
  EXPECT_TRUE(platform->set_environment_variable(kName, std::nullopt));
  EXPECT_EQ(std::getenv(kName), nullptr);
  EXPECT_EQ(platform->environment_variable(kName), std::nullopt);
  EXPECT_TRUE(platform->set_environment_variable(kName, std::nullopt)) << "an unset variable stays unset";
}

TEST(PosixPlatformTest, TimeOfDayIsHoursMinutesSeconds) {
  std::unique_ptr<Platform> platform = make_system_platform();
  std::string time = platform->time_of_day();
  ASSERT_EQ(time.size(), 8u) << time;
  for (std::size_t i : {0, 1, 3, 4, 6, 7}) EXPECT_TRUE(time[i] >= '0' && time[i] <= '9') << time;
  EXPECT_EQ(time[2], ':');
  EXPECT_EQ(time[5], ':');
}

}  // namespace
}  // namespace quillar

namespace quillar {
namespace {

// A line that must begin a line gets a line feed only after output that
// ends inside a line.
TEST(ConsoleTest, BeginsALineOnlyInsideOne) {
  const struct {
    std::vector<std::string> before;
    std::string console;
  } cases[] = {
      {{}, "* line\n"},
      {{"\n"}, "\n* line\n"},
      {{"> PRD.P00: 33 #"}, "> PRD.P00: 33 #\n* line\n"},
      {{"33", ""}, "33\n* line\n"},
      {{"a\n", "b"}, "a\nb\n* line\n"},
      {{"a", "b\n"}, "ab\n* line\n"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    for (const std::string& text : c.before) platform.write_console(text);
    platform.begin_console_line();
    platform.write_console("* line\n");
    EXPECT_EQ(platform.console, c.console) << testing::PrintToString(c.before);
  }
}

}  // namespace
}  // namespace quillar

namespace quillar {
namespace {

// Only a plain file is read, and never past its room, whatever the size of
// the reads.
TEST(PlainFileContentTest, ReadsPlainFilesOnlyAndUpToTheirRoom) {
  FakePlatform platform;
  platform.read_chunk = 3;
  platform.files["f"] = "0123456789";
  platform.files["through"] = "behind a link";
  platform.links.insert("through");
  platform.folders.insert("dir");
  const struct {
    const char* path;
    std::size_t room;
    std::optional<std::string> content;
  } cases[] = {
      {"f", std::string::npos, "0123456789"},
      {"f", 10, "0123456789"},
      {"f", 4, "0123"},
      {"f", 0, ""},
      {"through", std::string::npos, std::nullopt},
      {"dir", std::string::npos, std::nullopt},
      {"missing", std::string::npos, std::nullopt},
  };
  std::unique_ptr<Folder> working = platform.open_folder("");
  for (const auto& c : cases) EXPECT_EQ(plain_file_content(*working, c.path, c.room), c.content) << c.path << c.room;
}

}  // namespace
}  // namespace quillar
