#include "profiles/system_profile.h"

#include <gtest/gtest.h>

#include <fstream>

#include "fake_platform.h"

namespace quillar {
namespace {

const OffsetTable kTable;
// "Secret#1" as stored.
const std::string kStoredPassword = ";/1<P|d'TPTUnNHWU\\F3.uvg";

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(QUILLAR_FIXTURES) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Read {
  Status status = Status::Ok();
  LogonEntries entries;
};

Read read_profile(const std::string& content, ProfileUse use) {
  FakePlatform platform;
  platform.files["PRD.P00"] = content;
  std::unique_ptr<ReadableFile> file = platform.open_text("PRD.P00");
  Read read;
  read.status = read_system_profile(*file, "PRD.P00", use, kTable, read.entries);
  return read;
}

const std::string kGoodProfile = fixture("lf.P00");

// The good profile with the line of `label` replaced by `line` (removed when
// `line` is empty), or `line` added at the end when no line has that label.
std::string edited(const std::string& label, const std::string& line) {
  std::string profile = kGoodProfile;
  std::size_t at = profile.find("\n" + label);
  if (at == std::string::npos) return profile + line + (line.empty() ? "" : "\n");
  std::size_t end = profile.find('\n', at + 1);
  return profile.replace(at + 1, end - at, line.empty() ? "" : line + "\n");
}

TEST(SystemProfileTest, ReadsEveryLabelledEntry) {
  for (const char* name : {"lf.P00", "crlf.P00"}) {
    Read read = read_profile(fixture(name), ProfileUse::kSingleSystem);
    ASSERT_TRUE(read.status.is_ok()) << name << ": " << read.status.text();
    const LogonEntries& e = read.entries;
    EXPECT_EQ(e.destination, "BIN") << name;
    EXPECT_EQ(e.client, "100");
    EXPECT_EQ(e.user, "RFCUSER");
    EXPECT_EQ(e.password, "Secret#1");
    EXPECT_EQ(e.language, "E");
    EXPECT_EQ(e.mode, "R/3");
    EXPECT_EQ(e.hostname, "sapbin");
    EXPECT_EQ(e.sysnr, "00");
    EXPECT_EQ(e.gwhost, "sapbin");
    EXPECT_EQ(e.gwservice, "sapgw00");
    EXPECT_EQ(e.extcompany, "ACME");
  }
}

TEST(SystemProfileTest, FixturesShowHowLinesAreRead) {
  Read duplicate =
      read_profile(kGoodProfile + "Client.....: 200\nHostname...: sapbin2\n", ProfileUse::kSingleSystem);
  ASSERT_TRUE(duplicate.status.is_ok()) << duplicate.status.text();
  EXPECT_EQ(duplicate.entries.client, "200") << "the last line wins";
  EXPECT_EQ(duplicate.entries.hostname, "sapbin2");

  // A 99-character line's remainder is read as a line of its own in the
  // single-system run, so it sets the user there, but not in the global run,
  // which reads lines of up to 199 characters.
  const std::string long_line = edited("User.......:", "") + std::string(99, '-') + "User.......: intruder\n";
  Read single = read_profile(long_line, ProfileUse::kSingleSystem);
  ASSERT_TRUE(single.status.is_ok()) << single.status.text();
  EXPECT_EQ(single.entries.user, "INTRUDER");
  Read global = read_profile(long_line, ProfileUse::kGlobalRun);
  EXPECT_EQ(global.status.text(), "Error 1006: Username in Profile PRD.P00 is missing...");
}

TEST(SystemProfileTest, ReportsTheFirstFaultInTheSingleSystemRun) {
  const struct {
    const char* name;
    std::string content;
    std::string error;
  } cases[] = {
      {"empty file", "", "Error 1006: Username in Profile PRD.P00 is missing..."},
      {"missing user", edited("User.......:", ""), "Error 1006: Username in Profile PRD.P00 is missing..."},
      {"lower-case label", edited("User.......:", "user.......: rfcuser"),
       "Error 1006: Username in Profile PRD.P00 is missing..."},
      {"bad password before missing user",
       edited("Password...:", "Password...: ;/1<P|d'TPTUnNHWU\\F3.uvX").erase(kGoodProfile.find("User"), 21),
       "Error 1005: Wrong Password in Profile PRD.P00 found..."},
      {"extcompany of one character", edited("Extcompany.:", "Extcompany.: A"),
       "Error 1003: Invalid Parameter(s) at PRD.P00 found..."},
      {"no password", "User.......: X1\n", "Error 1007: Password in Profile PRD.P00 is missing..."},
      {"password of 23 characters", "User.......: X1\nPassword...: " + kStoredPassword.substr(1) + "\n",
       "Error 1004: Invalid Password in Profile PRD.P00 found..."},
      {"password of 25 characters", "Password...: " + kStoredPassword + " \nUser.......: X1\n",
       "Error 1004: Invalid Password in Profile PRD.P00 found..."},
      {"a label without its dot", "Destination BIN\n" + kGoodProfile,
       ""},
      {"value glued to the label loses its first character",
       kGoodProfile + "Destination:BIN\n", "Error 1003: Invalid Parameter(s) at PRD.P00 found..."},
      {"trailing blanks count for the length", kGoodProfile + "Destination: BI \n", ""},
      {"destination too long", kGoodProfile + "Destination: ABCDEFGHIJKL\n",
       "Error 1008: Too long Parameter(s) at PRD.P00 found..."},
      {"user longest", kGoodProfile + "User.......: " + std::string(47, 'u') + "\n", ""},
      {"host name too long", kGoodProfile + "Hostname...: " + std::string(48, 'h') + "\n",
       "Error 1008: Too long Parameter(s) at PRD.P00 found..."},
      {"values are cut at 60 characters", kGoodProfile + "Gwhost.....: " + std::string(70, 'g') + "\n", ""},
  };
  for (const auto& c : cases) {
    Read read = read_profile(c.content, ProfileUse::kSingleSystem);
    EXPECT_EQ(read.status.text(), c.error) << c.name;
  }
  EXPECT_EQ(read_profile(kGoodProfile + "Gwhost.....: " + std::string(70, 'g') + "\n", ProfileUse::kSingleSystem)
                .entries.gwhost,
            std::string(60, 'g'));
}

TEST(SystemProfileTest, ABadPasswordEndsTheReadingInTheSingleSystemRunOnly) {
  const std::string content = "Password...: " + kStoredPassword.substr(0, 23) + "X\nUser.......: late\n";
  Read single = read_profile(content, ProfileUse::kSingleSystem);
  EXPECT_EQ(single.status.text(), "Error 1005: Wrong Password in Profile PRD.P00 found...");
  EXPECT_EQ(single.entries.user, "") << "lines after the password are not read";

  Read global = read_profile(content, ProfileUse::kGlobalRun);
  EXPECT_EQ(global.status.text(), "Error 1005: Wrong Password in Profile PRD.P00 found...");
  EXPECT_EQ(global.entries.user, "LATE") << "the global run reads on";
  EXPECT_EQ(global.entries.password, "") << "a bad password leaves the entry empty";
}

TEST(SystemProfileTest, EntriesOfAnEarlierProfileNeverSurvive) {
  LogonEntries entries;
  FakePlatform platform;
  platform.files["A.P00"] = kGoodProfile;
  platform.files["B.P00"] = "Destination: QAS\n";
  std::unique_ptr<ReadableFile> first = platform.open_text("A.P00");
  ASSERT_TRUE(read_system_profile(*first, "A.P00", ProfileUse::kGlobalRun, kTable, entries).is_ok());
  std::unique_ptr<ReadableFile> second = platform.open_text("B.P00");
  EXPECT_FALSE(read_system_profile(*second, "B.P00", ProfileUse::kGlobalRun, kTable, entries).is_ok());
  EXPECT_EQ(entries.destination, "QAS");
  EXPECT_EQ(entries.user, "");
  EXPECT_EQ(entries.password, "");
  EXPECT_EQ(entries.hostname, "");
}

TEST(SystemProfileTest, ByteOrderMarkIsSkippedAndUtf16Refused) {
  for (ProfileUse use : {ProfileUse::kSingleSystem, ProfileUse::kGlobalRun}) {
    Read marked = read_profile("\xEF\xBB\xBF" + kGoodProfile, use);
    EXPECT_TRUE(marked.status.is_ok()) << marked.status.text();
    EXPECT_EQ(marked.entries.user, read_profile(kGoodProfile, use).entries.user);

    std::string utf16 = "\xFF\xFE";
    for (char c : kGoodProfile) utf16 += std::string{c, '\0'};
    Read wide = read_profile(utf16, use);
    EXPECT_EQ(wide.status.text(),
              "Error 1009: File PRD.P00 is saved as UTF-16, save it as ANSI or UTF-8...");
  }
}

}  // namespace
}  // namespace quillar

namespace quillar {
namespace {

// Every line is reported with what the reader did with it; a single-system
// run ends at a bad password, and what follows is reported as passed over.
TEST(SystemProfileTest, ReportsEachLineTakenOrPassedOver) {
  using Use = LineUse;
  const struct {
    const char* name;
    std::string content;
    ProfileUse use;
    std::vector<std::pair<std::size_t, Use>> lines;
  } cases[] = {
      {"labels, a comment, a label in the wrong case",
       "; comment\r\nUser.......: u1\r\nuser.......: u2\r\nPassword...: " + kStoredPassword + "\r\n",
       ProfileUse::kSingleSystem,
       {{1, Use::kNoLabel}, {2, Use::kTaken}, {3, Use::kNoLabel}, {4, Use::kTaken}}},
      {"a bad password ends the single-system run",
       "Password...: bad\r\nUser.......: u1\r\nUser.......: u2\r\n", ProfileUse::kSingleSystem,
       {{1, Use::kTaken}, {2, Use::kAfterFault}, {3, Use::kAfterFault}}},
      {"the global run reads on", "Password...: bad\r\nUser.......: u1\r\n", ProfileUse::kGlobalRun,
       {{1, Use::kTaken}, {2, Use::kTaken}}},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.files["PRD.P00"] = c.content;
    std::unique_ptr<ReadableFile> file = platform.open_text("PRD.P00");
    LogonEntries entries;
    ReadReport report;
    Status ignored = read_system_profile(*file, "PRD.P00", c.use, kTable, entries, &report);
    (void)ignored;
    std::vector<std::pair<std::size_t, Use>> seen;
    for (const ReportedLine& line : report.lines) seen.emplace_back(line.number, line.use);
    EXPECT_EQ(seen, c.lines) << c.name;
  }
}

}  // namespace
}  // namespace quillar
