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
