#include "profiles/sensor_directory.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace quillar {
namespace {

const std::string kPrtg = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";

struct Found {
  Status status = Status::Ok();
  std::string folder;
};

Found find(const std::optional<std::string>& override_file, const std::vector<std::string>& profiles) {
  FakePlatform platform;
  if (override_file) platform.files["C:\\PRTG_Path.Txt"] = *override_file;
  for (const std::string& path : profiles) platform.files[path] = "profile";
  SensorDirectory found;
  Found result;
  result.status = find_sensor_directory(platform, "PRD.P00", found);
  result.folder = found.folder;
  if (result.status.is_ok()) {
    EXPECT_NE(found.profile, nullptr);
  }
  return result;
}

TEST(SensorDirectoryTest, OverrideFileNamesTheBase) {
  const std::string under_e = "E:\\PRTG\\" + kPrtg;
  const std::string program_files = "C:\\Program Files\\" + kPrtg;
  const struct {
    const char* name;
    std::string override_file;
    std::vector<std::string> profiles;
    std::string folder;
  } cases[] = {
      {"last qualifying line wins", "; PRTG base\nD:\\Tools\nE:\\PRTG\\\nrelative\\name\n", {under_e + "PRD.P00"},
       under_e},
      {"CR LF lines", "D:\\Tools\r\nE:\\PRTG\r\n", {under_e + "PRD.P00"}, under_e},
      {"parent of the installation", "C:\\Program Files\\", {program_files + "PRD.P00"}, program_files},
      {"the installation itself", "C:\\Program Files\\PRTG Network Monitor",
       {program_files + "PRD.P00"}, program_files},
      {"the ExeXml folder itself", "C:\\Program Files\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
       {program_files + "PRD.P00"}, program_files},
      {"drive letter alone qualifies", "x\nF:", {"F:\\" + kPrtg + "PRD.P00"}, "F:\\" + kPrtg},
      {"path from the root qualifies", "\\Sensors", {"\\Sensors\\" + kPrtg + "PRD.P00"}, "\\Sensors\\" + kPrtg},
      {"third character a backslash qualifies", "ab\\cd\\exexml", {"ab\\cd\\exexml\\PRD.P00"},
       "ab\\cd\\exexml\\"},
      {"no qualifying line probes the root", "; nothing here\n", {"\\" + kPrtg + "PRD.P00"}, "\\" + kPrtg},
      {"empty file probes the root", "", {"\\" + kPrtg + "PRD.P00"}, "\\" + kPrtg},
  };
  for (const auto& c : cases) {
    Found found = find(c.override_file, c.profiles);
    EXPECT_TRUE(found.status.is_ok()) << c.name << ": " << found.status.text();
    EXPECT_EQ(found.folder, c.folder) << c.name;
  }
}

TEST(SensorDirectoryTest, WithoutOverrideTriesTheInstallationFolders) {
  const struct {
    const char* name;
    std::vector<std::string> profiles;
    std::string folder;
    std::string error;
  } cases[] = {
      {"Programme", {"\\Programme\\" + kPrtg + "PRD.P00", "\\Program Files\\" + kPrtg + "PRD.P00"},
       "\\Programme\\" + kPrtg, ""},
      {"Program Files", {"\\Program Files\\" + kPrtg + "PRD.P00"}, "\\Program Files\\" + kPrtg, ""},
      {"Program Files (x86) on the fourth try", {"\\Program Files (x86)\\" + kPrtg + "PRD.P00"},
       "\\Program Files (x86)\\" + kPrtg, ""},
      {"the working directory wins and is refused", {"PRD.P00", "\\Program Files\\" + kPrtg + "PRD.P00"}, "",
       "Sorry, invalid Path-Usage..."},
      {"nowhere", {}, "", "Error 1002: Profile PRD.P00 is missing..."},
  };
  for (const auto& c : cases) {
    Found found = find(std::nullopt, c.profiles);
    EXPECT_EQ(found.status.text(), c.error) << c.name;
    if (c.error.empty()) {
      EXPECT_EQ(found.folder, c.folder) << c.name;
    }
  }
}

TEST(SensorDirectoryTest, RefusesOtherFolders) {
  const struct {
    const char* name;
    std::string override_file;
    std::vector<std::string> profiles;
    std::string error;
  } cases[] = {
      {"installation folders are not tried with an override", "D:\\Elsewhere\\",
       {"\\Program Files\\" + kPrtg + "PRD.P00"}, "Error 1002: Profile PRD.P00 is missing..."},
      {"a folder that is not ExeXml", "D:\\Profiles", {"D:\\Profiles\\PRD.P00"}, "Sorry, invalid Path-Usage..."},
      {"ExeXml must end the folder", "D:\\ExeXml\\sub", {"D:\\ExeXml\\sub\\PRD.P00"},
       "Sorry, invalid Path-Usage..."},
      {"letters of ExeXml in any case", "D:\\EXEXML", {"D:\\EXEXML\\PRD.P00"}, ""},
      {"folder longer than its room", "D:\\" + std::string(85, 'd') + "\\ExeXml", {"D:\\" + std::string(85, 'd') + "\\ExeXml\\PRD.P00"},
       "Error 1043: Profile-Directory longer than 95 characters..."},
      {"folder at its room", "D:\\" + std::string(84, 'd') + "\\ExeXml", {"D:\\" + std::string(84, 'd') + "\\ExeXml\\PRD.P00"},
       ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(find(c.override_file, c.profiles).status.text(), c.error) << c.name;
  }
}

TEST(SensorDirectoryTest, OverrideLinesAreReadIn99CharacterPieces) {
  // A line of 111 characters: its first 99 do not qualify, its remainder
  // "\Tail\ExeXml" does, on its own.
  std::string line = std::string(99, 'x') + "\\Tail\\ExeXml";
  Found found = find(line + "\n", {"\\Tail\\ExeXml\\PRD.P00"});
  EXPECT_TRUE(found.status.is_ok()) << found.status.text();
  EXPECT_EQ(found.folder, "\\Tail\\ExeXml\\");

  std::string qualifying = "D:\\" + std::string(96, 'q') + "ExeXml";
  found = find(qualifying + "\n", {"D:\\" + std::string(96, 'q') + "\\PRD.P00"});
  EXPECT_EQ(found.status.text(), "Sorry, invalid Path-Usage...")
      << "the first 99 characters are the base; the rest, ExeXml, is a relative line of its own";
}

TEST(SensorDirectoryTest, OverrideFileWithByteOrderMark) {
  Found marked = find("\xEF\xBB\xBF" "C:\\PRTG\r\n", {"C:\\PRTG\\" + kPrtg + "PRD.P00"});
  EXPECT_TRUE(marked.status.is_ok()) << marked.status.text();
  EXPECT_EQ(marked.folder, "C:\\PRTG\\" + kPrtg);
  Found wide = find(std::string("\xFF\xFE" "C\0:\0", 6), {"C:\\" + kPrtg + "PRD.P00"});
  EXPECT_EQ(wide.status.text(),
            "Error 1009: File C:\\PRTG_Path.Txt is saved as UTF-16, save it as ANSI or UTF-8...");
}

// Notepad saves as UTF-8; Windows names folders in the ANSI code page, which
// the fake platform holds as code page 1252. A file read as UTF-8 names the
// folder that the same file saved as ANSI names.
TEST(SensorDirectoryTest, OverrideFileSavedAsUtf8NamesTheAnsiFolder) {
  const std::string ueberwachung = "C:\\\xDC" "berwachung";
  const std::string long_folder = "D:\\" + std::string(50, '\xDC') + "\\ExeXml";
  std::string long_utf8_folder = "D:\\";
  for (int k = 0; k < 50; ++k) long_utf8_folder += "\xC3\x9C";
  long_utf8_folder += "\\ExeXml";
  const std::string lodz = "C:\\\xC5\x81\xC3\xB3" "d\xC5\xBA";
  // 66 KB as stored, 33 KB once its line ends are read as line feeds.
  std::string empty_lines;
  for (int k = 0; k < 33 * 1024; ++k) empty_lines += "\r\n";
  const struct {
    const char* name;
    std::string override_file;
    std::string profile;
    // The folder found; empty when the sensor finds no profile.
    std::string folder;
    bool read_as_utf8;
    // The line taken as the base, as the search reports it.
    std::string line_taken;
    bool taken_beyond_code_page;
  } cases[] = {
      {"ANSI with a byte above 127", ueberwachung + "\r\n", ueberwachung + "\\" + kPrtg + "PRD.P00",
       ueberwachung + "\\" + kPrtg, false, ueberwachung, false},
      {"UTF-8 without a byte order mark", "C:\\\xC3\x9C" "berwachung\r\n", ueberwachung + "\\" + kPrtg + "PRD.P00",
       ueberwachung + "\\" + kPrtg, true, ueberwachung, false},
      {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" "; Base\r\nC:\\\xC3\x9C" "berwachung\r\n",
       ueberwachung + "\\" + kPrtg + "PRD.P00", ueberwachung + "\\" + kPrtg, true, ueberwachung, false},
      // The euro sign lies in the code page's range 0x80 to 0x9F, which
      // Latin-1 lacks.
      {"UTF-8 with the euro sign", "E:\\\xE2\x82\xAC\\ExeXml\n", "E:\\\x80\\ExeXml\\PRD.P00", "E:\\\x80\\ExeXml\\",
       true, "E:\\\x80\\ExeXml", false},
      {"UTF-8 line beyond the code page stays as saved", lodz + "\r\n", "C:\\Lodz\\" + kPrtg + "PRD.P00", "", true,
       lodz, true},
      {"a remark beyond the code page leaves the other lines converted",
       "; " + lodz + "\r\nC:\\\xC3\x9C" "berwachung\r\n", ueberwachung + "\\" + kPrtg + "PRD.P00",
       ueberwachung + "\\" + kPrtg, true, ueberwachung, false},
      // "é" in UTF-8 in a remark, but "ü" as ANSI in the folder: no UTF-8.
      {"not valid UTF-8 throughout", "; caf\xC3\xA9\r\nC:\\M\xFC" "nchen\r\n",
       "C:\\M\xFC" "nchen\\" + kPrtg + "PRD.P00", "C:\\M\xFC" "nchen\\" + kPrtg, false, "C:\\M\xFC" "nchen", false},
      {"overlong form", "C:\\\xC0\xAF" "x\r\n", "C:\\\xC0\xAF" "x\\" + kPrtg + "PRD.P00",
       "C:\\\xC0\xAF" "x\\" + kPrtg, false, "C:\\\xC0\xAF" "x", false},
      {"plain ASCII", "C:\\PRTG\r\n", "C:\\PRTG\\" + kPrtg + "PRD.P00", "C:\\PRTG\\" + kPrtg, false, "C:\\PRTG",
       false},
      // 107 bytes, 60 characters: one piece, as the file saved as ANSI reads.
      {"pieces count characters, not bytes", long_utf8_folder + "\r\n", long_folder + "\\PRD.P00",
       long_folder + "\\", true, long_folder, false},
      // Past 64 KB the file is read as it stands, piece by piece, and
      // nothing of it is held; line ends count as they are stored.
      {"UTF-8 in a file of more than 64 KB", empty_lines + "C:\\\xC3\x9C" "berwachung\r\n",
       "C:\\\xC3\x9C" "berwachung\\" + kPrtg + "PRD.P00", "C:\\\xC3\x9C" "berwachung\\" + kPrtg, false,
       "C:\\\xC3\x9C" "berwachung", false},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.files["C:\\PRTG_Path.Txt"] = c.override_file;
    platform.files[c.profile] = "profile";
    SensorDirectory found;
    SearchTrail trail;
    const Status status = find_sensor_directory(platform, "PRD.P00", found, &trail);
    if (c.folder.empty()) {
      EXPECT_EQ(status.text(), "Error 1002: Profile PRD.P00 is missing...") << c.name;
    } else {
      EXPECT_TRUE(status.is_ok()) << c.name << ": " << status.text();
      EXPECT_EQ(found.folder, c.folder) << c.name;
    }
    EXPECT_EQ(trail.override_report.read_as_utf8, c.read_as_utf8) << c.name;
    EXPECT_EQ(trail.override_line, c.line_taken) << c.name;
    std::size_t taken = 0;
    for (const ReportedLine& line : trail.override_report.lines) {
      if (!line.taken()) continue;
      ++taken;
      EXPECT_EQ(line.beyond_code_page, c.taken_beyond_code_page) << c.name;
    }
    EXPECT_EQ(taken, 1u) << c.name;
  }
}

// A platform that tells whether folder listings are kept, and how many
// files were opened while they were.
class ListingsWatch : public FakePlatform {
 public:
  void keep_folder_listings(bool keep) override { kept = keep; }
  std::unique_ptr<ReadableFile> open_bytes(const std::string& path) override {
    (kept ? opened_while_kept : opened_otherwise) += 1;
    return FakePlatform::open_bytes(path);
  }
  bool kept = false;
  int opened_while_kept = 0;
  int opened_otherwise = 0;
};

// The search keeps folder listings for its own lookups alone: whichever way
// it ends, the rest of the run looks at folders as they then stand.
TEST(SensorDirectoryTest, KeepsFolderListingsWhileItSearchesOnly) {
  const struct {
    const char* name;
    std::optional<std::string> override_file;
    std::vector<std::string> profiles;
    int opens;
  } cases[] = {
      {"found through the override", "C:\\PRTG\r\n", {"C:\\PRTG\\" + kPrtg + "PRD.P00"}, 3},
      {"missing through the override", "C:\\PRTG\r\n", {}, 4},
      {"override saved as UTF-16", std::string("\xFF\xFE" "C\0:\0", 6), {}, 1},
      {"found in an installation folder", std::nullopt, {"\\Program Files\\" + kPrtg + "PRD.P00"}, 4},
      {"found in the working directory, which is refused", std::nullopt, {"PRD.P00"}, 2},
      {"nowhere", std::nullopt, {}, 5},
  };
  for (const auto& c : cases) {
    ListingsWatch platform;
    if (c.override_file) platform.files["C:\\PRTG_Path.Txt"] = *c.override_file;
    for (const std::string& path : c.profiles) platform.files[path] = "profile";
    SensorDirectory found;
    const Status ended = find_sensor_directory(platform, "PRD.P00", found);
    EXPECT_FALSE(platform.kept) << c.name << ": " << ended.text();
    EXPECT_EQ(platform.opened_while_kept, c.opens) << c.name;
    EXPECT_EQ(platform.opened_otherwise, 0) << c.name;
  }
}

}  // namespace
}  // namespace quillar
