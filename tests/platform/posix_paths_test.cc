#include "platform/posix_paths.h"

#include <gtest/gtest.h>

#include "platform/temp_drives.h"

namespace quillar {
namespace {

TEST(PosixPathsTest, CurrentDriveIsTheDriveFolderHoldingTheWorkingDirectory) {
  const struct {
    const char* working_dir;
    char drive;
  } cases[] = {
      {"/mnt/d/sensors", 'd'}, {"/mnt/e", 'e'},      {"/mnt/D/x", 'd'},
      {"/mnt/dd/x", 'c'},      {"/mntx/d/x", 'c'},   {"/home/user", 'c'},
      {"/mnt", 'c'},           {"/mnt/1/x", 'c'},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(current_drive(DriveMap{"/mnt", c.working_dir}), c.drive) << c.working_dir;
  }
}

TEST(PosixPathsTest, MapsWindowsPathsOntoTheDriveRoot) {
  const DriveMap on_d{"/mnt", "/mnt/d/work"};
  const DriveMap elsewhere{"/srv/drives", "/home/user"};
  const struct {
    const DriveMap* drives;
    const char* windows;
    const char* posix;
  } cases[] = {
      {&on_d, "C:\\PRTG_Path.Txt", "/mnt/c/PRTG_Path.Txt"},
      {&on_d, "E:\\PRTG\\Custom Sensors\\", "/mnt/e/PRTG/Custom Sensors/"},
      {&on_d, "\\Program Files\\PRTG Network Monitor\\x.p00", "/mnt/d/Program Files/PRTG Network Monitor/x.p00"},
      {&elsewhere, "\\Programme\\a", "/srv/drives/c/Programme/a"},
      {&on_d, "Dev_Rfc.Trc", "Dev_Rfc.Trc"},
      {&on_d, "sub\\PRD.P00", "sub/PRD.P00"},
      {&on_d, "D:rel.txt", "/mnt/d/work/rel.txt"},
      {&on_d, "E:rel.txt", "/mnt/e/rel.txt"},
      {&on_d, "c:/mixed\\slashes", "/mnt/c/mixed/slashes"},
      {&on_d, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(to_posix_path(c.windows, *c.drives), c.posix) << c.windows;
  }
}

TEST(PosixPathsTest, MatchesNamesWithoutRegardToLetterCase) {
  TempDrives drives;
  drives.write("c/Program Files/PRTG Network Monitor/Custom Sensors/EXEXML/prd.p00", "x");
  drives.write("c/work/SapRfc.ini", "old");
  const std::string root = drives.root().string();
  const struct {
    std::string asked;
    std::string found;
  } cases[] = {
      {root + "/c/program files/prtg network monitor/custom sensors/ExeXml/PRD.P00",
       root + "/c/Program Files/PRTG Network Monitor/Custom Sensors/EXEXML/prd.p00"},
      {root + "/C/WORK/saprfc.INI", root + "/c/work/SapRfc.ini"},
      // What does not exist keeps the letters as written, from the first
      // missing component on.
      {root + "/c/Work/New/File.txt", root + "/c/work/New/File.txt"},
      {"saprfc.ini", "SapRfc.ini"},
      {"./SAPRFC.INI", "./SapRfc.ini"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(match_letter_case(c.asked), c.found) << c.asked;
  }
}

}  // namespace
}  // namespace quillar

namespace quillar {
namespace {

// What the matcher finds does not depend on whether it keeps what it sees,
// nor on whether it was told that the path as written names nothing.
TEST(LetterCaseMatcherTest, KeepingFindsWhatLookingAnewFinds) {
  TempDrives drives;
  drives.write("c/Program Files/PRTG Network Monitor/Custom Sensors/EXEXML/prd.p00", "x");
  drives.write("c/work/SapRfc.ini", "");
  drives.write("c/work/Two/b", "");
  drives.write("c/work/two/a", "");
  drives.write("c/work/TWO/c", "");
  drives.write("c/work/exact/Name.txt", "");
  drives.write("c/work/exact/NAME.txt", "");
  const std::string root = drives.root().string();
  const std::string sensors = root + "/c/Program Files/PRTG Network Monitor/Custom Sensors/EXEXML/";
  const struct {
    std::string asked;
    std::size_t known;
    bool missing_as_written;
    std::string found;
  } cases[] = {
      {root + "/c/program files/prtg network monitor/custom sensors/ExeXml/PRD.P00", root.size(), true,
       sensors + "prd.p00"},
      {root + "/c/PROGRAM FILES/prtg network monitor/", root.size(), true,
       root + "/c/Program Files/PRTG Network Monitor/"},
      {sensors + "PRD.P00", root.size(), true, sensors + "prd.p00"},
      {sensors + "prd.p00", root.size(), false, sensors + "prd.p00"},
      {sensors + "missing.p00", root.size(), true, sensors + "missing.p00"},
      {root + "/c/Program/PRTG Network Monitor/x", root.size(), true, root + "/c/Program/PRTG Network Monitor/x"},
      {root + "/C/WORK/saprfc.INI", root.size(), true, root + "/c/work/SapRfc.ini"},
      // Of several letter cases the first in byte order, unless one is as
      // written.
      {root + "/c/work/tWO/c", root.size(), true, root + "/c/work/TWO/c"},
      {root + "/c/work/two/a", root.size(), false, root + "/c/work/two/a"},
      {root + "/c/work/exact/name.TXT", root.size(), true, root + "/c/work/exact/NAME.txt"},
      {root + "/c/work/exact/Name.txt", root.size(), false, root + "/c/work/exact/Name.txt"},
      // Beyond the working directory, which is known.
      {root + "/c/work/SAPRFC.INI", root.size() + 7, true, root + "/c/work/SapRfc.ini"},
      {"saprfc.ini", 0, true, "SapRfc.ini"},
      {"./SAPRFC.INI", 0, true, "./SapRfc.ini"},
      {"../WORK/two/../Saprfc.ini", 0, true, "../work/two/../SapRfc.ini"},
      {"New/File.txt", 0, true, "New/File.txt"},
  };
  LetterCaseMatcher kept;
  kept.keep_what_is_seen(true);
  for (int round = 0; round < 2; ++round) {
    for (const auto& c : cases) {
      EXPECT_EQ(match_letter_case(c.asked), c.found) << c.asked;
      EXPECT_EQ(LetterCaseMatcher().match(c.asked, c.known, c.missing_as_written), c.found) << c.asked;
      EXPECT_EQ(kept.match(c.asked, c.known, c.missing_as_written), c.found) << c.asked << " kept, round " << round;
    }
  }
}

// While kept, a folder is listed once, however many lookups it serves; a
// file that appears meanwhile in another letter case is not seen until what
// was kept is forgotten, and a file removed meanwhile is not looked for
// again. Looking anew, each lookup sees the folder as it stands.
TEST(LetterCaseMatcherTest, KeepingListsEachFolderOnceUntilForgotten) {
  TempDrives drives;
  drives.write("c/work/One.txt", "");
  drives.write("c/work/Gone.txt", "");
  const std::string work = drives.root().string() + "/c/work";
  const std::size_t known = drives.root().string().size();

  LetterCaseMatcher matcher;
  matcher.keep_what_is_seen(true);
  EXPECT_EQ(matcher.match(work + "/ONE.TXT", known, true), work + "/One.txt");
  EXPECT_EQ(matcher.match(work + "/gone.txt", known, true), work + "/Gone.txt");
  drives.write("c/work/Two.txt", "");
  std::filesystem::remove(drives.root() / "c/work/Gone.txt");
  EXPECT_EQ(matcher.match(work + "/TWO.TXT", known, true), work + "/TWO.TXT");
  EXPECT_EQ(matcher.match(work + "/one.txt", known, true), work + "/One.txt");
  EXPECT_EQ(matcher.listings_made(), 1u);

  matcher.keep_what_is_seen(false);
  EXPECT_EQ(matcher.match(work + "/TWO.TXT", known, true), work + "/Two.txt");
  EXPECT_EQ(matcher.match(work + "/gone.txt", known, true), work + "/gone.txt");
  drives.write("c/work/Three.txt", "");
  EXPECT_EQ(matcher.match(work + "/THREE.TXT", known, true), work + "/Three.txt");
  EXPECT_EQ(matcher.listings_made(), 4u);
}

}  // namespace
}  // namespace quillar
