#include "tool/profile_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

#include "tool/option_review.h"
#include "fake_platform.h"
#include "mode_texts.h"
#include "profiles/password.h"
#include "profiles/system_profile.h"

namespace quillar {
namespace {

const std::vector<std::string> kEntryOptions = {
    "--destination", "BIN",    "--client", "100",    "--user",       "rfcuser", "--language", "E",
    "--mode",        "R/3",    "--host",   "sapbin", "--sysnr",      "00",      "--gwhost",   "sapgw",
    "--gwservice",   "sapgw00", "--extcompany", "ACME"};
const std::string kPath = "C:\\ExeXml\\PRD.P00";

// The create command with every entry; an option of `changes` with its value
// replaces the entry's value, any other is added.
std::vector<std::string> create_command(const std::vector<std::string>& changes = {}) {
  std::vector<std::string> command = {"create", kPath};
  command.insert(command.end(), kEntryOptions.begin(), kEntryOptions.end());
  for (std::size_t k = 0; k < changes.size(); ++k) {
    auto entry = std::find(command.begin(), command.end(), changes[k]);
    if (entry != command.end() && k + 1 < changes.size()) {
      *(entry + 1) = changes[++k];
    } else {
      command.push_back(changes[k]);
    }
  }
  return command;
}

LogonEntries read_back(Platform& platform, const std::string& path) {
  std::unique_ptr<ReadableFile> file = platform.open_text(path);
  LogonEntries entries;
  EXPECT_TRUE(file != nullptr) << path;
  if (file) {
    Status read = read_system_profile(*file, "PRD.P00", ProfileUse::kSingleSystem, OffsetTable(), entries);
    EXPECT_TRUE(read.is_ok()) << read.text();
  }
  return entries;
}

// On a terminal the password is asked for twice; any printable password of
// 2 to 20 characters reads back, blanks at its ends included.
TEST(ProfileToolTest, CreatedProfilesReadBackWithTheSensorsReader) {
  for (std::size_t length = 2; length <= 20; ++length) {
    for (int first = 0x20; first <= 0x7e; first += 5) {
      std::string password;
      for (std::size_t i = 0; i < length; ++i) password += static_cast<char>(0x20 + (first - 0x20 + i * 11) % 95);
      FakePlatform platform;
      platform.terminal = true;
      platform.input = password + "\n" + password + "\n";
      ASSERT_EQ(run_profile_tool(platform, create_command()), 0) << password << platform.error_console;
      EXPECT_EQ(platform.error_console, "Password: Password again: ");
      LogonEntries entries = read_back(platform, kPath);
      EXPECT_EQ(entries.password, password);
      EXPECT_EQ(entries.user, "RFCUSER");
    }
  }
}

TEST(ProfileToolTest, WritesTheLabelFormatAndSaysWhere) {
  FakePlatform platform;
  platform.input = "Secret#1\r\n";
  // FILE after the options, and without its extension.
  std::vector<std::string> command = {"create"};
  command.insert(command.end(), kEntryOptions.begin(), kEntryOptions.end());
  command.push_back("PRD");
  ASSERT_EQ(run_profile_tool(platform, command), 0) << platform.error_console;
  EXPECT_EQ(platform.console, "wrote C:\\work\\PRD.P00\n");
  EXPECT_EQ(platform.files["PRD.P00"],
            "Extcompany.: ACME\r\nDestination: BIN\r\nClient.....: 100\r\nUser.......: rfcuser\r\n"
            "Password...: ;/1<P|d'TPTUnNHWU\\F3.uvg\r\nLanguage...: E\r\nMode.......: R/3\r\n"
            "Hostname...: sapbin\r\nSysnr......: 00\r\nGwhost.....: sapgw\r\nGwservice..: sapgw00\r\n");

  platform.console.clear();
  ASSERT_EQ(run_profile_tool(platform, {"check", "PRD", "@"}), 0) << platform.error_console;
  EXPECT_EQ(platform.console,
            "Extcompany.: ACME\nDestination: BIN\nClient.....: 100\nUser.......: RFCUSER\nPassword...: ********\n"
            "Language...: E\nMode.......: R/3\nHostname...: sapbin\nSysnr......: 00\nGwhost.....: sapgw\n"
            "Gwservice..: sapgw00\n");
}

// Every value the tool accepts reads back unchanged; one character more, or
// a blank at either end, is refused with the entry's name and limit.
TEST(ProfileToolTest, AcceptsExactlyWhatTheSensorReadsBackUnchanged) {
  const struct {
    const char* option;
    std::string LogonEntries::*entry;
  } free_entries[] = {
      {"--destination", &LogonEntries::destination}, {"--user", &LogonEntries::user},
      {"--host", &LogonEntries::hostname},           {"--gwhost", &LogonEntries::gwhost},
      {"--gwservice", &LogonEntries::gwservice},     {"--extcompany", &LogonEntries::extcompany},
  };
  for (const auto& free : free_entries) {
    const ProfileLabel* label = nullptr;
    for (const ProfileLabel& known : kProfileLabels) {
      if (known.entry == free.entry) label = &known;
    }
    ASSERT_NE(label, nullptr);
    const std::size_t room = readable_room(*label);
    EXPECT_LE(room, kValueRoom) << label->label;

    FakePlatform fits;
    fits.input = "Secret#1\n";
    const std::string longest(room, 'V');
    ASSERT_EQ(run_profile_tool(fits, create_command({free.option, longest})), 0) << fits.error_console;
    EXPECT_EQ(read_back(fits, kPath).*free.entry, longest) << label->label;

    const std::pair<std::string, std::string> refused[] = {
        {std::string(room + 1, 'V'), std::string(free.option) + " may hold at most " + std::to_string(room) + " characters"},
        {" VVV", std::string(free.option) + " must not begin or end with a blank"},
        {"VVV ", std::string(free.option) + " must not begin or end with a blank"},
    };
    for (const auto& [value, message] : refused) {
      FakePlatform platform;
      platform.input = "Secret#1\n";
      EXPECT_EQ(run_profile_tool(platform, create_command({free.option, value})), 2) << label->label << value;
      EXPECT_EQ(platform.error_console, "quillar-profile: " + message + "\n") << label->label;
    }
  }
}

TEST(ProfileToolTest, ChecksTheFormOfEachValue) {
  const struct {
    const char* option;
    const char* value;
    const char* message;
  } cases[] = {
      {"--client", "10", "--client needs at least 3 characters"},
      {"--client", "1000", "--client must be 3 digits, for example 100"},
      {"--client", "1O0", "--client must be 3 digits, for example 100"},
      {"--sysnr", "7", "--sysnr needs at least 2 characters"},
      {"--sysnr", "0a", "--sysnr must be 2 digits, for example 00"},
      {"--language", "ENG", "--language must be 1 or 2 letters, for example E or EN"},
      {"--language", "1", "--language must be 1 or 2 letters, for example E or EN"},
      {"--mode", "R/4", "--mode must be R/3 or R/2"},
      {"--mode", "r/3", "--mode must be R/3 or R/2"},
      {"--mode", "R3", "--mode must be R/3 or R/2"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.input = "Secret#1\n";
    EXPECT_EQ(run_profile_tool(platform, create_command({c.option, c.value})), 2) << c.option << c.value;
    EXPECT_EQ(platform.error_console, std::string("quillar-profile: ") + c.message + "\n");
  }
  for (const char* accepted : {"EN", "D"}) {
    FakePlatform platform;
    platform.input = "Secret#1\n";
    EXPECT_EQ(run_profile_tool(platform, create_command({"--language", accepted})), 0) << platform.error_console;
  }
}

TEST(ProfileToolTest, ReportsEveryProblemAtOnce) {
  FakePlatform platform;
  EXPECT_EQ(run_profile_tool(platform, {"create", "--destination", "BI", "--client=12", "--bogus", "--mode"}), 2);
  EXPECT_EQ(platform.error_console,
            "quillar-profile: unknown option --bogus\n"
            "quillar-profile: --mode needs a value\n"
            "quillar-profile: missing FILE\n"
            "quillar-profile: missing --extcompany\n"
            "quillar-profile: missing --gwhost\n"
            "quillar-profile: missing --gwservice\n"
            "quillar-profile: missing --host\n"
            "quillar-profile: missing --language\n"
            "quillar-profile: missing --mode\n"
            "quillar-profile: missing --sysnr\n"
            "quillar-profile: missing --user\n"
            "quillar-profile: --destination needs at least 3 characters\n"
            "quillar-profile: --client needs at least 3 characters\n");
  EXPECT_TRUE(platform.files.empty());
}

TEST(ProfileToolTest, RefusesPasswordsTheSensorCannotUse) {
  const struct {
    const char* name;
    std::string input;
    bool terminal;
    std::string message;
  } cases[] = {
      {"too short", "x\n", false, "the password needs at least 2 characters"},
      {"too long", std::string(21, 'p') + "\n", false, "the password may hold at most 20 characters"},
      {"not ASCII", "p\xc3\xa4sswort\n", false, "the password may hold printable ASCII characters only"},
      {"none", "", false, "no password on standard input"},
      {"unstorable", std::string(20, '~') + "\n", false,
       "this password cannot be stored as printable text; use fewer of the characters ` { | } ~"},
      {"a blank from cmd's echo", "Secret1 \n", false,
       "the password on standard input ends in a blank; cmd's \"echo Secret1 | ...\" adds one, write "
       "\"echo Secret1| ...\" instead"},
      {"typed twice differently", "Secret#1\nSecret#2\n", true, "the two passwords differ; nothing was written"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.input = c.input;
    platform.terminal = c.terminal;
    EXPECT_EQ(run_profile_tool(platform, create_command()), 2) << c.name;
    std::string errors = platform.error_console;
    if (c.terminal) errors.erase(0, std::string("Password: Password again: ").size());
    EXPECT_EQ(errors, "quillar-profile: " + c.message + "\n") << c.name;
    EXPECT_EQ(platform.files.size(), 0u) << c.name;
  }
}

TEST(ProfileToolTest, ReplacesAProfileOnlyWithForce) {
  FakePlatform platform;
  const std::string precious = "User.......: precious\r\n";
  platform.files[kPath] = precious;
  platform.input = "Secret#1\n";
  EXPECT_EQ(run_profile_tool(platform, create_command()), 2);
  EXPECT_EQ(platform.error_console, "quillar-profile: C:\\ExeXml\\PRD.P00 exists; add --force to replace it\n");
  EXPECT_EQ(platform.files[kPath], precious);
  EXPECT_EQ(run_profile_tool(platform, create_command({"--force"})), 0);
  EXPECT_NE(platform.files[kPath], precious);

}

// A link or file planted at the temporary name is neither written through
// nor removed: the tool takes another name.
TEST(ProfileToolTest, APlantedTemporaryNameIsLeftAlone) {
  for (bool as_link : {true, false}) {
    FakePlatform platform;
    const std::string planted = kPath + ".4660.tmp";
    if (as_link) {
      platform.links.insert(planted);
    } else {
      platform.files[planted] = "not mine";
    }
    platform.input = "Secret#1\n";
    EXPECT_EQ(run_profile_tool(platform, create_command()), 0) << as_link;
    EXPECT_EQ(platform.links.count(planted), as_link ? 1u : 0u);
    if (!as_link) {
      EXPECT_EQ(platform.files[planted], "not mine");
    }
    EXPECT_EQ(platform.files.count(kPath), 1u);
    EXPECT_EQ(platform.files.count(kPath + ".4661.tmp"), 0u);
  }
}

// The profile is written beside itself and renamed over the old one, so a
// write or rename that fails midway leaves it as it was, and no stray file.
TEST(ProfileToolTest, AFailedWriteLeavesTheProfileAsItWas) {
  // The fake's first random number.
  const std::string temporary = kPath + ".4660.tmp";
  const struct {
    const char* name;
    std::vector<std::string> command;
    bool exists;
    bool disk_full;
  } cases[] = {
      {"create, disk full", create_command(), false, true},
      {"create --force, disk full", create_command({"--force"}), true, true},
      {"create --force, rename refused", create_command({"--force"}), true, false},
      {"passwd, disk full", {"passwd", kPath}, true, true},
      {"passwd, rename refused", {"passwd", kPath}, true, false},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    const std::string before = "User.......: u1\r\nPassword...: old\r\n";
    if (c.exists) platform.files[kPath] = before;
    platform.input = "Secret#1\n";
    if (c.disk_full) {
      platform.file_rooms[c.exists ? kPath : temporary] = 10;
    } else {
      platform.unreplaceable.insert(kPath);
    }
    EXPECT_EQ(run_profile_tool(platform, c.command), 2) << c.name;
    EXPECT_EQ(platform.error_console,
              "quillar-profile: cannot write C:\\ExeXml\\PRD.P00: No such file or directory; nothing was changed\n")
        << c.name;
    EXPECT_EQ(platform.files.count(kPath), c.exists ? 1u : 0u) << c.name;
    if (c.exists) {
      EXPECT_EQ(platform.files[kPath], before) << c.name;
    }
    EXPECT_EQ(platform.files.size(), c.exists ? 1u : 0u) << c.name;
  }
  FakePlatform written;
  written.input = "Secret#1\n";
  EXPECT_EQ(run_profile_tool(written, create_command()), 0);
  EXPECT_EQ(written.files.count(temporary), 0u);
  EXPECT_EQ(written.files.count(kPath), 1u);
}

TEST(ProfileToolTest, PasswdReplacesThePasswordAndKeepsEveryOtherLine) {
  const struct {
    const char* name;
    std::string before;
    std::string after;
  } cases[] = {
      {"CR LF", "; note\r\nUser.......: u1\r\nPassword...: old\r\nHostname...: h\r\n",
       "; note\r\nUser.......: u1\r\nPassword...: ;/1<P|d'TPTUnNHWU\\F3.uvg\r\nHostname...: h\r\n"},
      {"first line, LF", "Password...: old\nUser.......: u1", "Password...: ;/1<P|d'TPTUnNHWU\\F3.uvg\nUser.......: u1"},
      {"no password line yet", "User.......: u1\r\n", "User.......: u1\r\nPassword...: ;/1<P|d'TPTUnNHWU\\F3.uvg\r\n"},
      {"every password line, as the sensor may read either", "Password...: bad\r\nUser.......: u1\r\nPassword...: old",
       "Password...: ;/1<P|d'TPTUnNHWU\\F3.uvg\r\nUser.......: u1\r\nPassword...: ;/1<P|d'TPTUnNHWU\\F3.uvg"},
      {"a label only at a line's start counts", "; Password...: old\nPassword...: old\n",
       "; Password...: old\nPassword...: ;/1<P|d'TPTUnNHWU\\F3.uvg\n"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.files[kPath] = c.before;
    platform.input = "Secret#1\n";
    EXPECT_EQ(run_profile_tool(platform, {"passwd", "C:\\ExeXml\\PRD"}), 0) << c.name << platform.error_console;
    EXPECT_EQ(platform.files[kPath], c.after) << c.name;
  }
  FakePlatform missing;
  EXPECT_EQ(run_profile_tool(missing, {"passwd", "none"}), 2);
  EXPECT_EQ(missing.error_console, "quillar-profile: cannot open C:\\work\\none.P00: No such file or directory\n");
}

// A profile is replaced only as it stands when the new one is ready, by one
// writer at a time, when it has no other name and the new file can keep
// its owner; otherwise nothing is written, and an edit made meanwhile stays.
TEST(ProfileToolTest, RefusesARewriteThatWouldLoseWhatTheProfileHolds) {
  const std::string before = "User.......: u1\r\nPassword...: old\r\n";
  const std::string edited = "User.......: u2\r\nPassword...: old\r\n";
  const std::string shown = "C:\\ExeXml\\PRD.P00";
  const struct {
    const char* name;
    void (*lay_out)(FakePlatform&);
    std::string message;
    bool edited;
  } cases[] = {
      {"another writer holds it", [](FakePlatform& p) { p.busy_files.insert(kPath); },
       shown + " is held by another program, such as another quillar-profile at work on it; nothing was written; "
               "run quillar-profile {} again once it has let the file go",
       false},
      {"a hard link", [](FakePlatform& p) { p.linked_files.insert(kPath); },
       shown + " has more than one name (a hard link), and a new file would leave the old password under the other "
               "names; nothing was written; remove the other names, or copy the file to a name of its own and name "
               "the copy",
       false},
      {"edited meanwhile",
       [](FakePlatform& p) { p.edits_during_rewrite[kPath] = "User.......: u2\r\nPassword...: old\r\n"; },
       shown + " changed while quillar-profile was at work on it; nothing was written; run quillar-profile {} again",
       true},
      {"another account's file", [](FakePlatform& p) { p.foreign_files.insert(kPath); },
       "the new " + shown + " could not keep the owner of the old one, which belongs to another account; nothing "
                            "was written; run quillar-profile as that account or as an administrator",
       false},
  };
  for (const auto& c : cases) {
    for (const std::vector<std::string>& command : {std::vector<std::string>{"passwd", kPath},
                                                    create_command({"--force"})}) {
      FakePlatform platform;
      platform.files[kPath] = before;
      platform.input = "Secret#1\n";
      c.lay_out(platform);
      std::string message = c.message;
      if (const std::size_t at = message.find("{}"); at != std::string::npos) message.replace(at, 2, command[0]);
      EXPECT_EQ(run_profile_tool(platform, command), 2) << c.name << ", " << command[0];
      EXPECT_EQ(platform.error_console, "quillar-profile: " + message + "\n") << c.name << ", " << command[0];
      EXPECT_EQ(platform.files, (std::map<std::string, std::string>{{kPath, c.edited ? edited : before}}))
          << c.name << ", " << command[0];
      EXPECT_EQ(platform.console, "") << c.name;
    }
  }
}

// passwd reads the profile once the password is typed, so an edit made while
// it waited for the password is kept.
TEST(ProfileToolTest, PasswdKeepsAnEditMadeWhileThePasswordWasTyped) {
  struct EditedWhileTyping : FakePlatform {
    bool read_secret_line(std::string& line) override {
      files[kPath] = "User.......: u2\r\nPassword...: old\r\n";
      return FakePlatform::read_secret_line(line);
    }
  } platform;
  platform.files[kPath] = "User.......: u1\r\nPassword...: old\r\n";
  platform.input = "Secret#1\n";
  EXPECT_EQ(run_profile_tool(platform, {"passwd", kPath}), 0) << platform.error_console;
  EXPECT_EQ(platform.files[kPath], "User.......: u2\r\nPassword...: ;/1<P|d'TPTUnNHWU\\F3.uvg\r\n");
}

// passwd and create --force write only into a file that the sensor reads
// as a profile; anything else stays byte for byte, with what to do.
TEST(ProfileToolTest, RefusesToRewriteWhatTheSensorCannotReadAsAProfile) {
  const std::string shown = "C:\\ExeXml\\PRD.P00";
  const std::string utf16_remedy =
      "save it in Notepad with the encoding ANSI or UTF-8, then run quillar-profile passwd again";
  const std::string create_remedy = "write the profile with quillar-profile create, after removing or renaming this file";
  const struct {
    const char* name;
    void (*lay_out)(FakePlatform&, const std::string& path);
    std::string reason;
    std::string passwd_remedy;
  } cases[] = {
      {"UTF-16 with its byte order mark",
       [](FakePlatform& p, const std::string& path) {
         p.files[path] = std::string("\xFF\xFEU\0s\0e\0r\0\r\0\n\0", 14);
       },
       shown + " is saved as UTF-16, which the sensor cannot read", utf16_remedy},
      {"UTF-16 without a byte order mark",
       [](FakePlatform& p, const std::string& path) {
         p.files[path] = std::string("U\0s\0e\0r\0.\0.\0.\0.\0.\0.\0.\0:\0 \0u\0\r\0\n\0", 32);
       },
       shown + " is saved as UTF-16 without a byte order mark, which the sensor cannot read", utf16_remedy},
      {"no bytes", [](FakePlatform& p, const std::string& path) { p.files[path] = ""; }, shown + " is empty",
       create_remedy},
      {"no label line",
       [](FakePlatform& p, const std::string& path) { p.files[path] = "; PRD\r\nuser: u1\r\n\r\n"; },
       shown + " holds no line that the sensor reads as a profile line (one that begins with a label such as "
               "\"User.......:\")",
       create_remedy},
      {"a folder",
       [](FakePlatform& p, const std::string& path) {
         p.folders.insert(path);
         p.files[path + "\\inside"] = "User.......: u1\r\n";
       },
       shown + " is a folder, not a profile file", "name the profile file itself"},
      {"a link",
       [](FakePlatform& p, const std::string& path) {
         p.links.insert(path);
         p.files[path] = "User.......: u1\r\n";
       },
       shown + " is no plain file but a link, a junction or a device", "name the profile file itself"},
      {"a file that does not open",
       [](FakePlatform& p, const std::string& path) {
         p.files[path] = "User.......: u1\r\n";
         p.unreadable.insert(path);
       },
       "cannot open " + shown + ": No such file or directory", "check the file and the right to read it"},
  };
  for (const auto& c : cases) {
    const struct {
      std::vector<std::string> command;
      std::string remedy;
    } commands[] = {
        {{"passwd", kPath}, c.passwd_remedy},
        {create_command({"--force"}), "remove or rename it first if it is really meant to be replaced"},
    };
    for (const auto& command : commands) {
      FakePlatform platform;
      c.lay_out(platform, kPath);
      const std::map<std::string, std::string> before = platform.files;
      platform.input = "Secret#1\n";
      EXPECT_EQ(run_profile_tool(platform, command.command), 2) << c.name << ", " << command.command[0];
      EXPECT_EQ(platform.error_console,
                "quillar-profile: " + c.reason + "; nothing was written; " + command.remedy + "\n")
          << c.name;
      EXPECT_EQ(platform.files, before) << c.name << ", " << command.command[0];
      EXPECT_EQ(platform.console, "") << c.name;
    }
  }
}

// PRTG's parameters field drops the blanks at the ends of the name, so the
// sensor could never find a profile whose name has one.
TEST(ProfileToolTest, CreateRefusesANameWithABlankAtAnEnd) {
  const struct {
    std::string file;
    std::string instead;
  } cases[] = {
      {"T4 ", "T4"},
      {" T4", "T4"},
      {"T4 .P00", "T4.P00"},
      {"T4.P00 ", "T4.P00"},
      {"C:\\ExeXml\\ T4 .P01", "C:\\ExeXml\\T4.P01"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.input = "Secret#1\n";
    std::vector<std::string> command = create_command();
    command[1] = c.file;
    EXPECT_EQ(run_profile_tool(platform, command), 2) << c.file;
    EXPECT_EQ(platform.error_console,
              "quillar-profile: FILE \"" + c.file + "\" has a blank at an end of its name, which the sensor's "
              "parameters in PRTG cannot carry, so the sensor would never find the profile; write \"" + c.instead +
              "\" instead\n")
        << c.file;
    EXPECT_TRUE(platform.files.empty()) << c.file;
  }
}

TEST(ProfileToolTest, CheckNamesTheLineAtFaultAndWarns) {
  const std::string good =
      "Destination: QAS\r\nClient.....: 100\r\nUser.......: rfcuser\r\nPassword...: ;/1<P|d'TPTUnNHWU\\F3.uvg\r\n"
      "Language...: E\r\nMode.......: R/3\r\nHostname...: sapqas\r\nSysnr......: 01\r\nGwhost.....: sapqas\r\n"
      "Gwservice..: sapgw01\r\nExtcompany.: ACME\r\n";
  auto with_line = [&](const std::string& label, const std::string& line) {
    std::string profile = good;
    std::size_t at = profile.find(label);
    return profile.replace(at, profile.find('\n', at) + 1 - at, line);
  };
  const struct {
    const char* name;
    std::string content;
    std::string errors;
  } cases[] = {
      {"no user", with_line("User", ""),
       "Error 1006: Username in Profile QAS.P00 is missing...\nno User.......: line (labels are case-sensitive)\n"},
      {"short password", with_line("Password", "Password...: ;/1<P|d'TPTUnNHWU\\F3.uv\r\n"),
       "Error 1004: Invalid Password in Profile QAS.P00 found...\nline 4, Password...: 23 characters, the value must "
       "have 24\n"},
      {"check digit", with_line("Password", "Password...: ;/1<P|d'TPTUnNHWU\\F3.uvX\r\n"),
       "Error 1005: Wrong Password in Profile QAS.P00 found...\nline 4, Password...: fails its check digit; write it "
       "anew with quillar-profile passwd\n"},
      // The sensor stops at the first bad password; a later good one is never read.
      {"a bad password before a good one", "Password...: short\r\n" + good,
       "Error 1004: Invalid Password in Profile QAS.P00 found...\nline 1, Password...: 5 characters, the value must "
       "have 24\n"},
      {"short system number", with_line("Sysnr", "Sysnr......: 1\r\n"),
       "Error 1003: Invalid Parameter(s) at QAS.P00 found...\nline 8, Sysnr......: 1 characters, the value must have "
       "at least 2\n"},
      {"long client", with_line("Client", "Client.....: 123456789012\r\n"),
       "Error 1008: Too long Parameter(s) at QAS.P00 found...\nline 2, Client.....: 12 characters, at most 11\n"},
      {"tab and trailing blank", with_line("Extcompany", "Extcompany.: AC\tME \r\n"),
       "warning: line 11 holds a tab, which the sensor reads as part of the line\nwarning: line 11 ends in a blank, "
       "which the sensor reads as part of the value\n"},
      {"byte order mark", "\xEF\xBB\xBF" + good,
       "warning: the file starts with a UTF-8 byte order mark, which the sensor skips\n"},
      {"UTF-16", std::string("\xFF\xFE" "D\0", 4),
       "warning: the file is saved as UTF-16, which the sensor cannot read\nError 1009: File QAS.P00 is saved as "
       "UTF-16, save it as ANSI or UTF-8...\nsave the file in Notepad with the encoding ANSI or UTF-8\n"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.files["D:\\P\\QAS.P00"] = c.content;
    run_profile_tool(platform, {"check", "D:\\P\\QAS.P00", "MODE=Mervesk"});
    std::string expected;
    for (std::size_t at = 0; at < c.errors.size();) {
      std::size_t end = c.errors.find('\n', at);
      expected += "quillar-profile: " + c.errors.substr(at, end + 1 - at);
      at = end + 1;
    }
    EXPECT_EQ(platform.error_console, expected) << c.name;
  }
}

const std::string kPutIntoExeXml =
    "put the profile into PRTG's Custom Sensors\\ExeXml folder, or name that folder in C:\\PRTG_Path.Txt";
std::string kTypedFolderNote(const std::string& folder) {
  return "in the mode EXEXML without \"@\" the sensor does not read the folder " + folder +
         " typed with the name, it searches PRTG's Custom Sensors\\ExeXml folder; it reads a folder typed with the "
         "name only with \"@\" in the options or in another output mode (MODE=Mervesk, say)";
}

// A file with the folders that hold it, which the tool lists.
void given_file(FakePlatform& platform, const std::string& path, const std::string& content) {
  platform.files[path] = content;
  for (std::size_t end = path.find('\\', 3); end != std::string::npos; end = path.find('\\', end + 1)) {
    platform.folders.insert(path.substr(0, end));
  }
}

TEST(ProfileToolTest, LocateShowsHowTheSensorFindsTheProfile) {
  const std::string prtg = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";
  const struct {
    const char* name;
    std::map<std::string, std::string> files;
    std::vector<std::string> arguments;
    int exit_code;
    std::string output;
  } cases[] = {
      {"found through the override file",
       {{"C:\\PRTG_Path.Txt", "; base\r\nD:\\PRTG\r\n"}, {"D:\\PRTG\\" + prtg + "PRD.P00", "x"}},
       {"PRD"},
       0,
       "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt exists; its line \"D:\\PRTG\" names the base folder.\nTried: D:\\PRTG\\" + prtg +
           "PRD.P00\nTried: D:\\PRTG\\" + prtg + "Custom Sensors\\ExeXml\\PRD.P00\nFound in D:\\PRTG\\" + prtg +
           ": the sensor reads it.\n"},
      {"the working directory is refused",
       {{"PRD.P00", "x"}},
       {"PRD"},
       2,
       "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt does not exist: the working directory, then the PRTG folders under \\Programme, \\Program "
       "Files and \\Program Files (x86) of the current drive are tried.\nTried: C:\\work\\PRD.P00\nFound in "
       "the working directory, as C:\\work\\PRD.P00: the sensor stops with \"Sorry, invalid Path-Usage...\".\n"
       "To do: the sensor refuses a profile found in its working directory, whatever the folder is named; PRTG "
       "starts the sensor in a folder of its own: run the sensor once from PRTG with ,SYSLOG and look for "
       "Quillar.log to see which; put the profile into PRTG's Custom Sensors\\ExeXml folder, or name that folder "
       "in C:\\PRTG_Path.Txt, and the search no longer depends on the working directory.\n"},
      {"an override folder that is no ExeXml folder",
       {{"C:\\PRTG_Path.Txt", "D:\\Tools\r\n"}, {"D:\\Tools\\PRD.P00", "x"}},
       {"PRD"},
       2,
       "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt exists; its line \"D:\\Tools\" names the base folder.\nTried: D:\\Tools\\" + prtg +
           "PRD.P00\nTried: D:\\Tools\\Custom Sensors\\ExeXml\\PRD.P00\nTried: D:\\Tools\\PRD.P00\nFound as "
           "D:\\Tools\\PRD.P00: the sensor stops with \"Sorry, invalid Path-Usage...\".\nTo do: D:\\Tools\\ is no "
           "ExeXml folder: put the profile into PRTG's Custom Sensors\\ExeXml folder, or name that folder in "
           "C:\\PRTG_Path.Txt.\n"},
      {"nowhere",
       {},
       {"QAS", "LAN=1"},
       2,
       "Profile: QAS.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt does not exist: the working directory, then the PRTG folders under \\Programme, \\Program "
       "Files and \\Program Files (x86) of the current drive are tried.\nTried: C:\\work\\QAS.P00\nTried: "
       "C:\\work\\\\Programme\\" + prtg + "QAS.P00\nTried: C:\\work\\\\Program Files\\" + prtg +
           "QAS.P00\nTried: C:\\work\\\\Program Files (x86)\\" + prtg +
           "QAS.P00\nThe sensor stops with \"Error 1002: Profile QAS.P00 is missing...\": the profile is in none of "
           "the places tried.\nTo do: " + kPutIntoExeXml + ".\n"},
      // Explorer's "Copy as path" quotes a folder; a line with blanks at its
      // end names a folder with them. The sensor reads both as they stand.
      {"a quoted line and one with blanks at its end",
       {{"C:\\PRTG_Path.Txt", "\"D:\\PRTG Network Monitor\"\r\n; \"a remark\" \r\nD:\\PRTG  \r\n"},
        {"D:\\PRTG Network Monitor\\" + prtg + "PRD.P00", "x"}},
       {"PRD"},
       2,
       "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt exists; its line \"D:\\PRTG  \" names the base folder.\n"
       "C:\\PRTG_Path.Txt, line 1 is in double quotes: the sensor passes over the line, which names no folder so "
       "written; write instead: D:\\PRTG Network Monitor.\n"
       "C:\\PRTG_Path.Txt, line 3 ends in 2 blanks: the sensor takes them as part of the folder; write instead: "
       "D:\\PRTG.\n"
       "Tried: D:\\PRTG  \\" + prtg + "PRD.P00\nTried: D:\\PRTG  \\Custom Sensors\\ExeXml\\PRD.P00\n"
       "Tried: D:\\PRTG  \\PRD.P00\nThe sensor stops with \"Error 1002: Profile PRD.P00 is missing...\": the "
       "profile is in none of the places tried.\nTo do: " + kPutIntoExeXml + ".\n"},
      {"only quoted lines, with a blank at either end",
       {{"C:\\PRTG_Path.Txt", " \"D:\\PRTG\" \r\n"}},
       {"PRD"},
       2,
       "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt exists, but none of its lines names a folder: the root of the current drive is the base.\n"
       "C:\\PRTG_Path.Txt, line 1 is in double quotes and begins with a blank and ends in 1 blank: the sensor "
       "passes over the line, which names no folder so written; write instead: D:\\PRTG.\n"
       "Tried: C:\\work\\\\" + prtg + "PRD.P00\nTried: C:\\work\\\\Custom Sensors\\ExeXml\\PRD.P00\n"
       "Tried: C:\\work\\\\PRD.P00\n"
       "The sensor stops with \"Error 1002: Profile PRD.P00 is missing...\": the profile is in none of the places "
       "tried.\nTo do: " + kPutIntoExeXml + ".\n"},
      // A quoted line that is taken, and a later good line that wins.
      {"a quoted UNC line before the line that names the base",
       {{"C:\\PRTG_Path.Txt", "\"\\\\srv\\prtg\"\r\nD:\\PRTG\r\n"}, {"D:\\PRTG\\" + prtg + "PRD.P00", "x"}},
       {"PRD"},
       0,
       "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt exists; its line \"D:\\PRTG\" names the base folder.\n"
       "C:\\PRTG_Path.Txt, line 1 is in double quotes: the sensor takes them as part of the folder; write instead: "
       "\\\\srv\\prtg.\n"
       "Tried: D:\\PRTG\\" + prtg + "PRD.P00\nTried: D:\\PRTG\\" + prtg + "Custom Sensors\\ExeXml\\PRD.P00\n"
       "Found in D:\\PRTG\\" + prtg + ": the sensor reads it.\n"},
      // Notepad's UTF-8: the folder is named in the ANSI code page.
      {"the override file saved as UTF-8",
       {{"C:\\PRTG_Path.Txt", "\xEF\xBB\xBF" "D:\\\xC3\x9C" "berwachung\r\n"},
        {"D:\\\xDC" "berwachung\\" + prtg + "PRD.P00", "x"}},
       {"PRD"},
       0,
       "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt exists; its line \"D:\\\xDC" "berwachung\" names the base folder.\n"
       "C:\\PRTG_Path.Txt is saved as UTF-8, and read so: each line is converted to the ANSI code page, in which "
       "Windows names folders.\n"
       "Tried: D:\\\xDC" "berwachung\\" + prtg + "PRD.P00\nTried: D:\\\xDC" "berwachung\\" + prtg +
           "Custom Sensors\\ExeXml\\PRD.P00\nFound in D:\\\xDC" "berwachung\\" + prtg + ": the sensor reads it.\n"},
      // Only the line that names a folder is worth a word; the remark is
      // passed over whatever it holds.
      {"the override file saved as UTF-8, a folder beyond the ANSI code page",
       {{"C:\\PRTG_Path.Txt", "; \xC5\x81\xC3\xB3" "d\xC5\xBA\r\nD:\\\xC5\x81\xC3\xB3" "d\xC5\xBA\r\n"}},
       {"PRD"},
       2,
       "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt exists; its line \"D:\\\xC5\x81\xC3\xB3" "d\xC5\xBA\" names the base folder.\n"
       "C:\\PRTG_Path.Txt is saved as UTF-8, and read so: each line is converted to the ANSI code page, in which "
       "Windows names folders.\n"
       "C:\\PRTG_Path.Txt, line 2 holds a character that the ANSI code page lacks: the sensor reads the file as "
       "UTF-8, but takes this line as it stands and finds no folder so named; name the folder with characters of "
       "the ANSI code page, or save the file in Notepad with the encoding ANSI.\n"
       "Tried: D:\\\xC5\x81\xC3\xB3" "d\xC5\xBA\\" + prtg + "PRD.P00\nTried: D:\\\xC5\x81\xC3\xB3" "d\xC5\xBA\\"
       "Custom Sensors\\ExeXml\\PRD.P00\nTried: D:\\\xC5\x81\xC3\xB3" "d\xC5\xBA\\PRD.P00\n"
       "The sensor stops with \"Error 1002: Profile PRD.P00 is missing...\": the profile is in none of the places "
       "tried.\nTo do: " + kPutIntoExeXml + ".\n"},
      {"a folder typed in the PRTG mode, the profile there",
       {{"C:\\PRTG_Path.Txt", "D:\\X\\ExeXml\r\n"}, {"C:\\My Profiles\\ONLY.P00", "x"}},
       {"C:\\My Profiles\\ONLY"},
       2,
       "Profile: ONLY.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt exists; its line \"D:\\X\\ExeXml\" names the base folder.\n"
       "Tried: D:\\X\\ExeXml\\" + prtg + "ONLY.P00\nTried: D:\\X\\ExeXml\\Custom Sensors\\ExeXml\\ONLY.P00\n"
       "Tried: D:\\X\\ExeXml\\ONLY.P00\nThe sensor stops with \"Error 1002: Profile ONLY.P00 is missing...\": the "
       "profile is in none of the places tried.\nA file of that name lies at C:\\My Profiles\\ONLY.P00, where the "
       "sensor does not look.\nTo do: " + kPutIntoExeXml + ".\nTo do: " + kTypedFolderNote("C:\\My Profiles\\") +
           ".\n"},
      {"another mode opens it as named",
       {{"D:\\P\\PRD.P00", "x"}},
       {"D:\\P\\PRD", "MODE=Mervesk"},
       0,
       "Profile: PRD.P00\nMode Mervesk: the profile is opened where the command line names it, D:\\P\\PRD.P00.\n"
       "Found: the sensor reads it.\n"},
      // Notepad saves "PRD.P00" as "PRD.P00.txt"; Explorer hides the ".txt".
      {"the profile saved with an extension added, in the ExeXml folder",
       {{"C:\\PRTG_Path.Txt", "D:\\PRTG\r\n"}, {"D:\\PRTG\\" + prtg + "PRD.P00.txt", "x"}},
       {"PRD"},
       2,
       "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt exists; its line \"D:\\PRTG\" names the base folder.\nTried: D:\\PRTG\\" + prtg +
           "PRD.P00\nTried: D:\\PRTG\\Custom Sensors\\ExeXml\\PRD.P00\nTried: D:\\PRTG\\PRD.P00\n"
           "The sensor stops with \"Error 1002: Profile PRD.P00 is missing...\": the profile is in none of the "
           "places tried.\nTo do: the profile lies at D:\\PRTG\\" + prtg + "PRD.P00.txt: Notepad added .txt to "
           "its name; rename it to PRD.P00 (Explorer shows it as PRD.P00 unless \"File name extensions\" is ticked "
           "in its View menu).\n"},
      {"another extension, another letter case, in the second folder tried",
       {{"C:\\PRTG_Path.Txt", "D:\\PRTG\r\n"}, {"D:\\PRTG\\Custom Sensors\\ExeXml\\prd.p00.BAK", "x"},
        {"D:\\PRTG\\Custom Sensors\\ExeXml\\PRD.P00X", "x"}},
       {"PRD"},
       2,
       "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt exists; its line \"D:\\PRTG\" names the base folder.\nTried: D:\\PRTG\\" + prtg +
           "PRD.P00\nTried: D:\\PRTG\\Custom Sensors\\ExeXml\\PRD.P00\nTried: D:\\PRTG\\PRD.P00\n"
           "The sensor stops with \"Error 1002: Profile PRD.P00 is missing...\": the profile is in none of the "
           "places tried.\nTo do: the profile lies at D:\\PRTG\\Custom Sensors\\ExeXml\\prd.p00.BAK: its name "
           "has .BAK added; rename it to PRD.P00.\n"},
      // A rename there would give "Sorry, invalid Path-Usage..." instead.
      {"an extension added in a folder the sensor refuses",
       {{"PRD.P00.txt", "x"}},
       {"PRD"},
       2,
       "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt does not exist: the working directory, then the PRTG folders under \\Programme, \\Program "
       "Files and \\Program Files (x86) of the current drive are tried.\nTried: C:\\work\\PRD.P00\nTried: "
       "C:\\work\\\\Programme\\" + prtg + "PRD.P00\nTried: C:\\work\\\\Program Files\\" + prtg +
           "PRD.P00\nTried: C:\\work\\\\Program Files (x86)\\" + prtg +
           "PRD.P00\nThe sensor stops with \"Error 1002: Profile PRD.P00 is missing...\": the profile is in none of "
           "the places tried.\nTo do: " + kPutIntoExeXml + ".\n"},
      {"another mode, the profile saved with an extension added where it is named",
       {{"D:\\P\\PRD.P00.txt", "x"}},
       {"D:\\P\\PRD", "MODE=Mervesk"},
       2,
       "Profile: PRD.P00\nMode Mervesk: the profile is opened where the command line names it, D:\\P\\PRD.P00.\n"
       "Not found: the sensor stops with \"Error 1002: Profile D:\\P\\PRD.P00 is missing...\".\n"
       "To do: the profile lies at D:\\P\\PRD.P00.txt: Notepad added .txt to its name; rename it to PRD.P00 "
       "(Explorer shows it as PRD.P00 unless \"File name extensions\" is ticked in its View menu).\n"},
      {"start-up refuses", {}, {"PRD", "MODE=xml"}, 2,
       "The sensor stops before it looks: " + unknown_mode_error("xml") + "\n"},
  };
  // After a search, found or not, locate names the library that the sensor
  // would use: in this build the one linked into the program.
  const std::string kLibraryLine =
      "RFC library: librfc32.dll, Quillar's stand-in for trials (not SAP's library; it reaches only the systems of "
      "RfcSim.ini), linked into this program\n";
  for (const auto& c : cases) {
    FakePlatform platform;
    for (const auto& [path, content] : c.files) given_file(platform, path, content);
    std::vector<std::string> command = {"locate"};
    command.insert(command.end(), c.arguments.begin(), c.arguments.end());
    EXPECT_EQ(run_profile_tool(platform, command), c.exit_code) << c.name;
    const bool searched = c.output.rfind("Profile: ", 0) == 0;
    EXPECT_EQ(platform.console, c.output + (searched ? kLibraryLine : "")) << c.name;
  }
}

TEST(ProfileToolTest, ScramblesAndAsksOnATerminal) {
  FakePlatform platform;
  platform.input = "Secret#1\n";
  EXPECT_EQ(run_profile_tool(platform, {"scramble"}), 0);
  EXPECT_EQ(platform.console, ";/1<P|d'TPTUnNHWU\\F3.uvg\n");
  EXPECT_EQ(platform.error_console, "");
}

TEST(ProfileToolTest, UsageOnHelpAndOnMistakes) {
  FakePlatform help;
  EXPECT_EQ(run_profile_tool(help, {"--help"}), 0);
  EXPECT_EQ(help.console.rfind("usage: quillar-profile create FILE", 0), 0u);
  for (const char* command : {"create", "passwd", "check", "locate", "scramble"}) {
    FakePlatform platform;
    EXPECT_EQ(run_profile_tool(platform, {command, "--help"}), 0) << command;
    EXPECT_EQ(platform.console, help.console) << command;
  }
  for (const std::vector<std::string>& wrong : std::vector<std::vector<std::string>>{
           {}, {"check"}, {"create"}, {"passwd"}, {"locate"}, {"explain"}, {"explain", "a", "b"}, {"scramble", "x"}}) {
    FakePlatform platform;
    EXPECT_EQ(run_profile_tool(platform, wrong), 2);
    EXPECT_EQ(platform.error_console, help.console);
  }
  FakePlatform unknown;
  EXPECT_EQ(run_profile_tool(unknown, {"frobnicate", "PRD"}), 2);
  EXPECT_EQ(unknown.error_console, "quillar-profile: unknown command frobnicate\n" + help.console);
  FakePlatform version;
  EXPECT_EQ(run_profile_tool(version, {"--version"}), 0);
  EXPECT_EQ(version.console.rfind("quillar-profile ", 0), 0u);
}

const std::string kGoodProfile =
    "Destination: QAS\r\nClient.....: 100\r\nUser.......: rfcuser\r\nPassword...: ;/1<P|d'TPTUnNHWU\\F3.uvg\r\n"
    "Language...: E\r\nMode.......: R/3\r\nHostname...: sapqas\r\nSysnr......: 01\r\nGwhost.....: sapqas\r\n"
    "Gwservice..: sapgw01\r\nExtcompany.: ACME\r\n";
const std::string kServerLine = "# GSNG: ALL         PRD.P00#QAS.P00#\r\n";
const std::string kSensorLine = "# GSNX: ALL        LAN=eth0 Sensor=\"SAP Quillar\" Item=In-Errors,Alias\r\n";

// Each report on standard error, prefixed as the tool prints it.
std::string reported(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "quillar-profile: " + line + "\n";
  return text;
}

// Every way a global profile can leave a run green with wrong or missing
// data, each with its line and what to write instead.
TEST(ProfileToolTest, CheckReportsWhatAGlobalRunWouldNotReadAsMeant) {
  // Server lines of ten names each: S0.P00 and on, `count` in all, then
  // `more` names; every S profile exists.
  auto listing = [](const std::string& marker, int count, const std::string& more = "") {
    std::string lines;
    for (int k = 0; k < count; ++k) {
      if (k % 10 == 0) lines += (k == 0 ? "" : "\r\n") + marker;
      lines += "S" + std::to_string(k) + ".P00#";
    }
    return lines + more + "\r\n";
  };
  const std::string fifty_one = listing("# GSNG: ALL         ", 51);
  const std::string fifty = listing("# GSNG: ALL         ", 50);
  const std::string failed_sensor_line = "# GSNX: ALL        ,FAILED Sensor=\"SAP Quillar\" Item=In-Errors\r\n";
  const struct {
    const char* name;
    std::string global;
    std::vector<std::string> arguments;
    std::vector<std::string> errors;
    std::string output;
  } cases[] = {
      {"nothing wrong",
       kServerLine + kSensorLine,
       {"D:\\X\\ExeXml\\SAP Orvanta.Gbl"},
       {},
       "Sensor ALL (line 2): item In-Errors, channels named by profile name without extension, options \"LAN=eth0 "
       "Sensor=\"SAP Quillar\" Item=In-Errors,Alias\", systems PRD.P00, QAS.P00\n"},
      {"a name without its extension",
       "# GSNG: ALL         PRD#QAS.P00#\r\n" + kSensorLine,
       {"GLOBAL"},
       {"line 1: PRD does not exist, but PRD.P00 does; write PRD.P00#"},
       ""},
      {"a name that does not exist",
       "# GSNG: ALL         TST.P00#QAS.P00#\r\n" + kSensorLine,
       {"GLOBAL", "ALL"},
       {"line 1: TST.P00 does not exist (D:\\X\\ExeXml\\TST.P00), and the run counts it among the systems only; write "
        "the profile with quillar-profile create, or remove the name"},
       ""},
      {"an empty name",
       "# GSNG: ALL         PRD.P00##QAS.P00#\r\n" + kSensorLine,
       {"GLOBAL"},
       {"line 1: an empty name between two \"#\" counts as a system that does not exist; remove one \"#\""},
       ""},
      {"names one column to the left",
       "# GSNG: ALL        PRD.P00#QAS.P00#\r\n" + kSensorLine,
       {"GLOBAL"},
       {"line 1: the key or the names stand in the wrong column (the key in columns 9 to 18, the names from column "
        "21); write instead: # GSNG: ALL         PRD.P00#QAS.P00#"},
       ""},
      {"key one column to the right",
       "# GSNG:  ALL        PRD.P00#QAS.P00#\r\n" + kServerLine + kSensorLine,
       {"GLOBAL"},
       {"line 1: the key or the names stand in the wrong column (the key in columns 9 to 18, the names from column "
        "21); write instead: # GSNG: ALL         PRD.P00#QAS.P00#"},
       ""},
      {"parameters one column to the left",
       kServerLine + "# GSNX: ALL       LAN=eth0 Sensor=\"SAP Quillar\" Item=In-Errors\r\n",
       {"GLOBAL"},
       {"line 2: the key or the parameters stand in the wrong column (the key in columns 9 to 18, the parameters from "
        "column 20); write instead: # GSNX: ALL        LAN=eth0 Sensor=\"SAP Quillar\" Item=In-Errors"},
       ""},
      {"a marker the sensor does not match",
       kServerLine + kSensorLine + "#GSNG: ALL PRD.P00#\r\n",
       {"GLOBAL"},
       {"line 3: looks like a server line, but the sensor does not read it; write instead: # GSNG: ALL         "
        "PRD.P00#"},
       ""},
      {"a key without sensor line",
       kServerLine,
       {"GLOBAL"},
       {"line 1: the key ALL has server lines but no sensor line, and a sensor for it stops with Error 1030; add: # "
        "GSNX: ALL        Sensor=\"SAP Quillar\" Item=In-Errors"},
       ""},
      {"a sensor line without server line",
       kSensorLine,
       {"GLOBAL"},
       {"line 1: the sensor line of ALL has no server line, and the sensor stops with Error 1025; add: # GSNG: ALL     "
        "    PRD.P00#"},
       ""},
      {"a second sensor line",
       kServerLine + kSensorLine + kSensorLine,
       {"GLOBAL"},
       {"line 3: a second sensor line for ALL, which the sensor passes over (it reads line 2); remove one"},
       ""},
      {"an item close to a channel",
       kServerLine + "# GSNX: ALL        Sensor=\"SAP Quillar\" Item=In-Packet/Sec\r\n",
       {"GLOBAL"},
       {"line 2: the item \"In-Packet/Sec\" is none of the six channels, so no system reports a channel; write "
        "Item=In-Packets/Sec"},
       ""},
      {"an item far from every channel",
       kServerLine + "# GSNX: ALL        Sensor=\"SAP Quillar\" Item=Bytes\r\n",
       {"GLOBAL"},
       {"line 2: the item \"Bytes\" is none of the six channels, so no system reports a channel; write one of "
        "Packets/Sec, In-Packets/Sec, Out-Packets/Sec, In-Errors, Out-Errors, Collision(s)"},
       ""},
      {"the item keyword in capitals",
       kServerLine + "# GSNX: ALL        Sensor=\"SAP Quillar\" ITEM=In-Errors\r\n",
       {"GLOBAL"},
       {"line 2: the sensor stops with \"Error 1026: Global Item Idenification missing...\"; Item= is read in exactly "
        "this letter case"},
       ""},
      {"a name listed twice",
       "# GSNG: ALL         PRD.P00#QAS.P00#\r\n# GSNG: ALL         prd.p00#\r\n" + kSensorLine,
       {"GLOBAL"},
       {"line 2: prd.p00 is listed twice for ALL (also on line 1); remove one"},
       ""},
      {"names that run into the next line",
       "# GSNG: ALL         PRD.P00\r\n# GSNG: ALL         QAS.P00#\r\n" + kSensorLine,
       {"GLOBAL"},
       {"line 1: the names do not end in \"#\", so the last one runs into the first name of line 2; end them with "
        "\"#\"",
        "line 1: PRD.P00QAS.P00 does not exist (D:\\X\\ExeXml\\PRD.P00QAS.P00), and the run counts it among the "
        "systems only; write the profile with quillar-profile create, or remove the name"},
       ""},
      {"more channels than PRTG shows: 51 systems",
       fifty_one + kSensorLine,
       {"GLOBAL"},
       {"line 7: PRTG shows at most 50 channels of a sensor, and when every system answers this run of ALL prints 51: "
        "one for each of the 51 listed systems whose profile the sensor reads; split the systems over two sensor "
        "keys"},
       ""},
      {"more channels than PRTG shows: 50 systems and the failed-systems channel",
       fifty + failed_sensor_line,
       {"GLOBAL"},
       {"line 6: PRTG shows at most 50 channels of a sensor, and when every system answers this run of ALL prints 51: "
        "one for each of the 50 listed systems whose profile the sensor reads, and \"Failed systems\" for ,FAILED; "
        "split the systems over two sensor keys"},
       ""},
      {"50 systems without the failed-systems channel fit", fifty + kSensorLine, {"GLOBAL"}, {}, ""},
      {"a listed system without profile prints no channel",
       listing("# GSNG: ALL         ", 50, "NONE.P00#") + kSensorLine,
       {"GLOBAL"},
       {"line 5: NONE.P00 does not exist (D:\\X\\ExeXml\\NONE.P00), and the run counts it among the systems only; "
        "write the profile with quillar-profile create, or remove the name"},
       ""},
      {"a listed system the sensor refuses prints no channel",
       listing("# GSNG: ALL         ", 50, "BAD.P00#") + kSensorLine,
       {"GLOBAL"},
       {"line 5: BAD.P00: Error 1007: Password in Profile BAD.P00 is missing... (quillar-profile check BAD.P00 names "
        "the line at fault)"},
       ""},
      {"an item that names no channel prints no system's channel",
       fifty_one + "# GSNX: ALL        ,FAILED Sensor=\"SAP Quillar\" Item=in-errors\r\n",
       {"GLOBAL"},
       {"line 7: the item \"in-errors\" is none of the six channels, so no system reports a channel; write "
        "Item=In-Errors"},
       ""},
      {"the item profile: 50 systems and the failed-systems channel",
       listing("# Gsng: any         ", 50),
       {"PRD", "ITEM=In-Errors,Failed"},
       {"line 1: PRTG shows at most 50 channels of a sensor, and when every system answers this run prints 51: one "
        "for each of the 50 listed systems whose profile the sensor reads, and \"Failed systems\" for ,FAILED; split "
        "the systems over two sensor keys"},
       ""},
      {"options the run does not read",
       kServerLine + "# GSNX: ALL        LAN=eth0 DEADLINE=10 MODE=Mervesk LAN=eth1 Lane=x # Sensor=\"SAP Quillar\" "
                     "Item=In-Errors\r\n",
       {"GLOBAL"},
       {"line 2: MODE=Mervesk on the sensor line is not read, the output mode is the command line's: write it into the "
        "sensor's parameters in PRTG, after the sensor key",
        "line 2: LAN= stands twice: the sensor reads the first, LAN=eth0, and passes over LAN=eth1; remove one",
        "line 2: DEADLINE=10 is not read without its comma: write ,DEADLINE=10",
        "line 2: the trace character \"#\" on the sensor line is not read, the console trace follows the command line: "
        "write it there, when running the sensor by hand only",
        "line 2: Lane=x is no option of the sensor and is not read"},
       ""},
      {"a run limit given twice, which the run refuses",
       kServerLine + "# GSNX: ALL        ,DEADLINE=5,deadline=700 Sensor=\"SAP Quillar\" Item=In-Errors\r\n",
       {"GLOBAL"},
       {"line 2: the sensor stops with \"Error 1062: DEADLINE= is given more than once, give it once...\""},
       ""},
      {"a host option that also names the channels",
       kServerLine + "# GSNX: ALL        ,Host=sap01 Sensor=\"SAP Quillar\" Item=In-Errors\r\n",
       {"GLOBAL"},
       {"line 2: ,Host= also names the channels by host name, as ,Host does; write ,HOST= in capitals to change the "
        "logon only"},
       ""},
      {"options on the command line of the GLOBAL form",
       kServerLine + kSensorLine,
       {"GLOBAL", "ALL LAN=eth0"},
       {"the command line: LAN=eth0 on the command line is not read in the GLOBAL form, whose run takes its options "
        "from the sensor line: write it on the sensor line"},
       ""},
      {"a line longer than the sensor reads",
       "# GSNG: ALL         " + std::string(190, 'P') + "#\r\n" + kSensorLine,
       {"GLOBAL"},
       {"line 1: the line is longer than 198 characters, and the sensor reads the rest as a line of its own; split it "
        "over several lines",
        "line 1: "
        "PPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPP"
        "PPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPP is longer than 63 characters, and the "
        "run passes over it; rename the profile"},
       ""},
      {"a listed profile the sensor refuses",
       "# GSNG: ALL         PRD.P00#BAD.P00#\r\n" + kSensorLine,
       {"GLOBAL"},
       {"line 1: BAD.P00: Error 1007: Password in Profile BAD.P00 is missing... (quillar-profile check BAD.P00 names "
        "the line at fault)"},
       ""},
      {"another key is not this key's fault",
       kServerLine + kSensorLine + "# GSNG: OTHER       TST#\r\n",
       {"GLOBAL", "all"},
       {},
       ""},
      {"the key asked for, one column to the right",
       "# GSNG:  ALL        PRD.P00#\r\n" + kServerLine + kSensorLine,
       {"GLOBAL", "ALL"},
       {"line 1: the key or the names stand in the wrong column (the key in columns 9 to 18, the names from column "
        "21); write instead: # GSNG: ALL         PRD.P00#"},
       ""},
      {"the key asked for is missing",
       kServerLine + kSensorLine,
       {"GLOBAL", "S01"},
       {"no line for the sensor key S01: the sensor stops with Error 1030; add a sensor line and a server line, for "
        "example # GSNX: S01        Sensor=\"SAP Quillar\" Item=In-Errors"},
       ""},
      {"saved as UTF-16 without a byte order mark",
       std::string("#\0 \0G\0S\0", 8),
       {"GLOBAL"},
       {"the file is saved as UTF-16 without a byte order mark (its first line holds zero bytes), which the sensor "
        "cannot read; save it in Notepad with the encoding ANSI or UTF-8"},
       ""},
      {"the item profile: nothing wrong", "# Gsng: any         PRD.P00#\r\n", {"PRD", "ITEM=In-Errors"}, {}, ""},
      {"the item profile: a marker in capitals",
       "# Gsng: any         PRD.P00#\r\n# GSNG: any         QAS.P00#\r\n",
       {"Orvanta.Prf"},
       {"line 2: looks like a server line, but the sensor does not read it (in Orvanta.Prf a server line begins with "
        "\"# Gsng: \" in exactly this letter case); write instead: # Gsng: any         QAS.P00#"},
       ""},
      {"the item profile: an item of the command line",
       "# Gsng: any         PRD.P00#\r\n",
       {"X", "ITEM=Collisions DEADLINE=5"},
       {"the command line: DEADLINE=5 is not read without its comma: write ,DEADLINE=5",
        "the item \"Collisions\" is none of the six channels, so no system reports a channel; write ITEM=Collision(s)"},
       ""},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    // A valid profile for every name listed, but for BAD.P00.
    platform.files["D:\\X\\ExeXml\\PRD.P00"] = kGoodProfile;
    platform.files["D:\\X\\ExeXml\\QAS.P00"] = kGoodProfile;
    platform.files["D:\\X\\ExeXml\\BAD.P00"] = "User.......: u1\r\n";
    for (int k = 0; k < 51; ++k) platform.files["D:\\X\\ExeXml\\S" + std::to_string(k) + ".P00"] = kGoodProfile;
    const bool item_form = c.global.rfind("# Gsng", 0) == 0;
    platform.files[item_form ? "D:\\X\\ExeXml\\Orvanta.Prf" : "D:\\X\\ExeXml\\SAP Orvanta.Gbl"] = c.global;
    platform.files["C:\\PRTG_Path.Txt"] = "D:\\X\\ExeXml\r\n";
    std::vector<std::string> command = {"check"};
    command.insert(command.end(), c.arguments.begin(), c.arguments.end());
    EXPECT_EQ(run_profile_tool(platform, command), c.errors.empty() ? 0 : 2) << c.name;
    EXPECT_EQ(platform.error_console, reported(c.errors)) << c.name;
    if (!c.output.empty()) {
      EXPECT_EQ(platform.console, c.output) << c.name;
    }
  }
}

// A value that the logon sends as text with a blank at an end fails the
// logon: check refuses it, naming the line. Values that the logon does not
// send as text keep a warning; a stored password may end in a blank.
TEST(ProfileToolTest, CheckRefusesABlankAtAnEndOfALogonValue) {
  auto with_line = [](const std::string& label, const std::string& line) {
    std::string profile = kGoodProfile;
    std::size_t at = profile.find(label);
    return profile.replace(at, profile.find('\n', at) + 1 - at, line + "\r\n");
  };
  auto refused = [](std::size_t number, const std::string& label, const std::string& value, const char* end,
                    const std::string& meant) {
    return "line " + std::to_string(number) + ", " + label + " \"" + value + "\" " + end +
           " with a blank, which the logon sends as part of the value; write: " + label + " " + meant;
  };
  const struct {
    const char* name;
    std::string content;
    int exit_code;
    std::vector<std::string> errors;
  } cases[] = {
      {"destination", with_line("Destination", "Destination: QAS "), 2,
       {refused(1, "Destination:", "QAS ", "ends", "QAS")}},
      {"client", with_line("Client", "Client.....:  100"), 2, {refused(2, "Client.....:", " 100", "begins", "100")}},
      {"user", with_line("User", "User.......: rfcuser "), 2,
       {refused(3, "User.......:", "rfcuser ", "ends", "rfcuser")}},
      {"language", with_line("Language", "Language...: E "), 2, {refused(5, "Language...:", "E ", "ends", "E")}},
      {"mode", with_line("Mode", "Mode.......: R/2 "), 2, {refused(6, "Mode.......:", "R/2 ", "ends", "R/2")}},
      {"host name", with_line("Hostname", "Hostname...:  sapqas "), 2,
       {refused(7, "Hostname...:", " sapqas ", "begins", "sapqas")}},
      {"gateway host", with_line("Gwhost", "Gwhost.....: sapqas "), 2,
       {refused(9, "Gwhost.....:", "sapqas ", "ends", "sapqas")}},
      {"gateway service", with_line("Gwservice", "Gwservice..: sapgw01 "), 2,
       {refused(10, "Gwservice..:", "sapgw01 ", "ends", "sapgw01")}},
      // Read as a number, which the blank leaves alone.
      {"system number", with_line("Sysnr", "Sysnr......: 01 "), 0,
       {"warning: line 8 ends in a blank, which the sensor reads as part of the value"}},
      {"external company, used for nothing", with_line("Extcompany", "Extcompany.: ACME "), 0,
       {"warning: line 11 ends in a blank, which the sensor reads as part of the value"}},
      // A later line of the label sets the entry; the earlier one is only read.
      {"a line that a later one overrides", "Client.....: 100 \r\n" + kGoodProfile, 0,
       {"warning: line 1 ends in a blank, which the sensor reads as part of the value"}},
      {"a blank after the stored password", with_line("Password", "Password...: ;/1<P|d'TPTUnNHWU\\F3.uvg "), 2,
       {"warning: line 4 ends in a blank, which the sensor reads as part of the value",
        "Error 1004: Invalid Password in Profile QAS.P00 found...",
        "line 4, Password...: 25 characters, the value must have 24"}},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.files["D:\\P\\QAS.P00"] = c.content;
    EXPECT_EQ(run_profile_tool(platform, {"check", "D:\\P\\QAS", "MODE=Mervesk"}), c.exit_code) << c.name;
    EXPECT_EQ(platform.error_console, reported(c.errors)) << c.name;
  }

  // The scrambled form of this password ends in a blank, as the scrambler
  // may make it; the sensor reads it back.
  const std::string password = "x\"secret";
  const std::optional<std::string> stored = scramble_password(OffsetTable(), password);
  ASSERT_TRUE(stored && stored->back() == ' ') << stored.value_or("");
  FakePlatform platform;
  platform.files["D:\\P\\QAS.P00"] = with_line("Password", "Password...: " + *stored);
  EXPECT_EQ(run_profile_tool(platform, {"check", "D:\\P\\QAS", "MODE=Mervesk"}), 0) << platform.error_console;
  EXPECT_EQ(platform.error_console, "");
}

// The C runtime's rules, as PRTG's parameters field reaches the program.
TEST(ProfileToolTest, SplitsParametersAsTheWindowsRuntimeDoes) {
  const struct {
    const char* parameters;
    std::vector<std::string> arguments;
  } cases[] = {
      {"PRD LAN=eth0", {"PRD", "LAN=eth0"}},
      {"  GLOBAL\t\"ALL @\"  x ", {"GLOBAL", "ALL @", "x"}},
      {"\"D:\\My Profiles\\PRD\" \"\"", {"D:\\My Profiles\\PRD", ""}},
      {"a\\\\\"b c\" d", {"a\\b c", "d"}},
      {"a\\\"b c", {"a\"b", "c"}},
      {"\"a \"\"quoted\"\" b\"", {"a \"quoted\" b"}},
      {"C:\\dir\\ PRD", {"C:\\dir\\", "PRD"}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(split_parameters(c.parameters), c.arguments) << c.parameters;
}

// The profile is found where the sensor finds it: searched for in the PRTG
// mode, whatever folder is typed, opened as named in the other modes and
// with "@". Where the sensor stops, check stops with its text, says where
// the profile must go, and may show what a file the sensor does not read
// holds: the exit code is the sensor's.
TEST(ProfileToolTest, CheckFindsTheProfileAsTheSensorDoes) {
  const std::string exexml = "D:\\X\\ExeXml\\";
  const std::string override_file = "D:\\X\\ExeXml\r\n";
  auto stops = [](const std::string& text, const std::vector<std::string>& advice, const std::string& typed,
                  const std::string& unread) {
    std::string errors = "quillar-profile: the sensor stops with \"" + text + "\"\n";
    for (const std::string& line : advice) errors += "quillar-profile: " + line + "\n";
    if (!typed.empty()) errors += "quillar-profile: quillar-profile locate " + typed + " shows the places tried\n";
    if (!unread.empty()) errors += "quillar-profile: what " + unread + " holds, which the sensor does not read:\n";
    return errors;
  };
  const std::string missing = "Error 1002: Profile PRD.P00 is missing...";
  const struct {
    const char* name;
    std::map<std::string, std::string> files;
    std::vector<std::string> arguments;
    int exit_code;
    std::string errors;
    bool shows_entries;
  } cases[] = {
      {"through the override file", {{"C:\\PRTG_Path.Txt", override_file}, {exexml + "PRD.P00", kGoodProfile}},
       {"PRD"}, 0, "", true},
      {"in the working directory", {{"PRD.P00", kGoodProfile}}, {"PRD"}, 2,
       stops("Sorry, invalid Path-Usage...",
             {"the sensor refuses a profile found in its working directory, whatever the folder is named; PRTG starts "
              "the sensor in a folder of its own: run the sensor once from PRTG with ,SYSLOG and look for "
              "Quillar.log to see which; " + kPutIntoExeXml + ", and the search no longer depends on the working "
              "directory"},
             "PRD", "C:\\work\\PRD.P00"),
       true},
      {"in no ExeXml folder", {{"C:\\PRTG_Path.Txt", "D:\\X\r\n"}, {"D:\\X\\PRD.P00", kGoodProfile}}, {"PRD"}, 2,
       stops("Sorry, invalid Path-Usage...", {"D:\\X\\ is no ExeXml folder: " + kPutIntoExeXml}, "PRD",
             "D:\\X\\PRD.P00"),
       true},
      {"in the working directory, which the override file's search skips",
       {{"C:\\PRTG_Path.Txt", override_file}, {"PRD.P00", kGoodProfile}}, {"PRD"}, 2,
       stops(missing, {kPutIntoExeXml}, "PRD", "C:\\work\\PRD.P00"), true},
      {"nowhere", {{"C:\\PRTG_Path.Txt", override_file}}, {"PRD"}, 2, stops(missing, {kPutIntoExeXml}, "PRD", ""),
       false},
      {"saved by Notepad with .txt added",
       {{"C:\\PRTG_Path.Txt", override_file}, {exexml + "PRD.P00.txt", kGoodProfile}}, {"PRD"}, 2,
       stops(missing,
             {"the profile lies at D:\\X\\ExeXml\\PRD.P00.txt: Notepad added .txt to its name; rename it to "
              "PRD.P00 (Explorer shows it as PRD.P00 unless \"File name extensions\" is ticked in its View menu)"},
             "PRD", ""),
       false},
      // The PRTG mode drops a folder typed with the name, as the sensor does.
      {"a folder typed, the profile only there",
       {{"C:\\PRTG_Path.Txt", override_file}, {"C:\\My Profiles\\PRD.P00", kGoodProfile}},
       {"C:\\My Profiles\\PRD"}, 2,
       stops(missing, {kPutIntoExeXml, kTypedFolderNote("C:\\My Profiles\\")}, "C:\\My Profiles\\PRD",
             "C:\\My Profiles\\PRD.P00"),
       true},
      {"a folder typed, the profile in the working directory", {{"PRD.P00", kGoodProfile}}, {"E:\\P\\PRD"}, 2,
       stops("Sorry, invalid Path-Usage...",
             {"the sensor refuses a profile found in its working directory, whatever the folder is named; PRTG starts "
              "the sensor in a folder of its own: run the sensor once from PRTG with ,SYSLOG and look for "
              "Quillar.log to see which; " + kPutIntoExeXml + ", and the search no longer depends on the working "
              "directory",
              kTypedFolderNote("E:\\P\\")},
             "E:\\P\\PRD", "C:\\work\\PRD.P00"),
       true},
      {"a folder typed, the profile in the ExeXml folder",
       {{"C:\\PRTG_Path.Txt", override_file}, {exexml + "PRD.P00", kGoodProfile}}, {"C:\\My Profiles\\PRD"}, 0,
       "quillar-profile: warning: " + kTypedFolderNote("C:\\My Profiles\\") + "\n", true},
      {"a folder typed in a mode that opens it there", {{"E:\\P\\PRD.P00", kGoodProfile}},
       {"E:\\P\\PRD", "MODE=Mervesk"}, 0, "", true},
      {"a folder typed with @, which opens it there", {{"E:\\P\\PRD.P00", kGoodProfile}}, {"E:\\P\\PRD", "LAN=1 @"}, 0,
       "", true},
      {"a folder typed with @, the profile elsewhere",
       {{"C:\\PRTG_Path.Txt", override_file}, {exexml + "PRD.P00", kGoodProfile}}, {"E:\\P\\PRD", "@"}, 2,
       stops("Error 1002: Profile E:\\P\\PRD.P00 is missing...",
             {"put the profile at E:\\P\\PRD.P00, where the command line names it, or type the folder that holds it "
              "in front of the name"},
             "", ""),
       false},
      {"through the override file saved as UTF-8",
       {{"C:\\PRTG_Path.Txt", "D:\\\xC3\x9C\\ExeXml\r\n"}, {"D:\\\xDC\\ExeXml\\PRD.P00", kGoodProfile}}, {"PRD"}, 0,
       "", true},
      {"through the override file saved as UTF-8, its folder beyond the ANSI code page",
       {{"C:\\PRTG_Path.Txt", "D:\\\xC5\x81\\ExeXml\r\n"}}, {"PRD"}, 2,
       "quillar-profile: warning: C:\\PRTG_Path.Txt, line 1 holds a character that the ANSI code page lacks: the "
       "sensor reads the file as UTF-8, but takes this line as it stands and finds no folder so named; name the "
       "folder with characters of the ANSI code page, or save the file in Notepad with the encoding ANSI\n" +
           stops(missing, {kPutIntoExeXml}, "PRD", ""),
       false},
      {"start-up refuses", {}, {"PRD", "MODE=xml"}, 2,
       "quillar-profile: " + unknown_mode_error("xml") + "\n",
       false},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    for (const auto& [path, content] : c.files) given_file(platform, path, content);
    std::vector<std::string> command = {"check"};
    command.insert(command.end(), c.arguments.begin(), c.arguments.end());
    EXPECT_EQ(run_profile_tool(platform, command), c.exit_code) << c.name;
    EXPECT_EQ(platform.error_console, c.errors) << c.name;
    EXPECT_EQ(platform.console.rfind("Extcompany.: ACME\nDestination: QAS\n", 0) == 0, c.shows_entries) << c.name;
  }

  // The sensor reads such a file as ANSI; whatever it then reports, check
  // says why.
  FakePlatform unmarked;
  unmarked.files["D:\\P\\QAS.P00"] = std::string("D\0e\0s\0t\0\r\0\n\0", 12);
  EXPECT_EQ(run_profile_tool(unmarked, {"check", "D:\\P\\QAS.P00", "MODE=Mervesk"}), 2);
  EXPECT_EQ(unmarked.error_console.rfind("quillar-profile: warning: the file is saved as UTF-16 without a byte order "
                                         "mark (its first line holds zero bytes), which the sensor cannot read; save "
                                         "it in Notepad with the encoding ANSI or UTF-8\n", 0),
            0u)
      << unmarked.error_console;
}

// The parameters as typed into PRTG, and how the sensor reads them.
TEST(ProfileToolTest, ExplainShowsHowTheSensorReadsItsParameters) {
  const std::string found =
      "Mode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
      "C:\\PRTG_Path.Txt exists; its line \"D:\\X\\ExeXml\" names the base folder.\n";
  auto tried = [](const std::string& name) {
    const std::string base = "D:\\X\\ExeXml\\";
    return "Tried: " + base + "PRTG Network Monitor\\Custom Sensors\\ExeXml\\" + name + "\nTried: " + base +
           "Custom Sensors\\ExeXml\\" + name + "\nTried: " + base + name + "\nFound in " + base +
           ": the sensor reads it.\n";
  };
  const struct {
    const char* parameters;
    int exit_code;
    std::string output;
  } cases[] = {
      {"PRD LAN=eth0", 0,
       "Arguments as the sensor gets them:\n  1: PRD (the profile)\n  2: LAN=eth0 (the options)\nProfile: PRD.P00\n"
       "Options: LAN=eth0\n  LAN=eth0: only the rows of the interface eth0 count (in any letter case)\n" +
           found + tried("PRD.P00")},
      {"PRD \"LAN=eth0 DEADLINE=10\" ,SYSLOG extra", 2,
       "Arguments as the sensor gets them:\n  1: PRD (the profile)\n  2: LAN=eth0 DEADLINE=10 (the options)\n"
       "  3: ,SYSLOG (joined to the options with a blank)\n"
       "  4: extra (not read, the sensor reads three arguments at most)\nProfile: PRD.P00\n"
       "Options: LAN=eth0 DEADLINE=10 ,SYSLOG\n"
       "  LAN=eth0: only the rows of the interface eth0 count (in any letter case)\n"
       "  ,SYSLOG: Quillar.log is written in the working directory\n"
       "Not read: DEADLINE=10 is not read without its comma: write ,DEADLINE=10\n" +
           found + tried("PRD.P00")},
      {"GLOBAL \"ALL LAN=eth0 MODE=Mervesk\"", 2,
       "Arguments as the sensor gets them:\n  1: GLOBAL (the profile)\n  2: ALL LAN=eth0 MODE=Mervesk (the options)\n"
       "Profile: SAP Orvanta.Gbl, the GLOBAL form for the sensor key ALL\nOptions: ALL LAN=eth0 MODE=Mervesk\n"
       "  MODE=Mervesk: the output mode\n"
       "Not read: LAN=eth0 on the command line is not read in the GLOBAL form, whose run takes its options from the "
       "sensor line: write it on the sensor line\n"
       "Mode Mervesk: the profile is opened where the command line names it, C:\\work\\SAP Orvanta.Gbl.\n"
       "Not found: the sensor stops with \"Error 1002: Profile SAP Orvanta.Gbl is missing...\".\n"
       "To do: put the profile at C:\\work\\SAP Orvanta.Gbl, where the command line names it, or type the folder "
       "that holds it in front of the name.\n"},
      {"GLOBAL ALL", 2,
       "Arguments as the sensor gets them:\n  1: GLOBAL (the profile)\n  2: ALL (the options)\n"
       "Profile: SAP Orvanta.Gbl, the GLOBAL form for the sensor key ALL\nOptions: ALL\n" +
           found + tried("SAP Orvanta.Gbl") +
           "Options of the run, from the sensor line of ALL: LAN=eth1 ,DEADLINE=5 DEADLINE=9 \n"
           "  LAN=eth1: only the rows of the interface eth1 count (in any letter case)\n"
           "  ,DEADLINE=5: a system that has not answered after this many seconds is stopped\n"
           "Not read: DEADLINE=9 is not read without its comma: write ,DEADLINE=9\nItem: In-Errors\nSystems: PRD.P00, QAS.P00\n"},
      // A value the sensor refuses is shown as written, then the refusal.
      {"GLOBAL BAD", 2,
       "Arguments as the sensor gets them:\n  1: GLOBAL (the profile)\n  2: BAD (the options)\n"
       "Profile: SAP Orvanta.Gbl, the GLOBAL form for the sensor key BAD\nOptions: BAD\n" +
           found + tried("SAP Orvanta.Gbl") +
           "Options of the run, from the sensor line of BAD: ,PARALLEL=1e9 \n"
           "  ,PARALLEL=1e9: up to this many systems at once\n"
           "The sensor stops with \"Error 1062: PARALLEL=1e9 is not a whole number...\".\n"},
      {"QAS ITEM=In-Packets/Sec", 2,
       "Arguments as the sensor gets them:\n  1: QAS (the profile)\n  2: ITEM=In-Packets/Sec (the options)\n"
       "Profile: Orvanta.Prf, the ITEM form: a global run over the systems it lists\nOptions: ITEM=In-Packets/Sec\n"
       "  ITEM=In-Packets/Sec: a global run over Orvanta.Prf, reporting the channel \"In-Packets/Sec\" of every "
       "system\nNot read: the first argument, QAS, is not read: ITEM= makes the run a global run over Orvanta.Prf\n" +
           found + tried("Orvanta.Prf") + "Item: In-Packets/Sec\nSystems: PRD.P00\n"},
      {"GLOBAL TWICE", 2,
       "Arguments as the sensor gets them:\n  1: GLOBAL (the profile)\n  2: TWICE (the options)\n"
       "Profile: SAP Orvanta.Gbl, the GLOBAL form for the sensor key TWICE\nOptions: TWICE\n" +
           found + tried("SAP Orvanta.Gbl") +
           "Options of the run, from the sensor line of TWICE: ,RUNTIME=30,PARALLEL=2,Runtime=abc \n"
           "  ,PARALLEL=2: up to this many systems at once\n"
           "  ,RUNTIME=30: a run with ,DEADLINE= or ,PARALLEL= ends after this many seconds, its unfinished systems "
           "failed\n"
           "The sensor stops with \"Error 1062: RUNTIME= is given more than once, give it once...\".\n"},
      {"PRD \",DEADLINE=1,DEADLINE=700\"", 2,
       "Arguments as the sensor gets them:\n  1: PRD (the profile)\n  2: ,DEADLINE=1,DEADLINE=700 (the options)\n"
       "The sensor stops before it looks: Error 1062: DEADLINE= is given more than once, give it once...\n"},
      {"PRD \",PARALLEL=64\"", 2,
       "Arguments as the sensor gets them:\n  1: PRD (the profile)\n  2: ,PARALLEL=64 (the options)\n"
       "The sensor stops before it looks: Error 1062: PARALLEL=64 is out of range, 1 to 32 systems...\n"},
      {"", 2,
       "Arguments as the sensor gets them:\n  none\nThe sensor stops before it looks: Error 1001: Parameter for "
       "Profile-Name is missing !\n"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.files["C:\\PRTG_Path.Txt"] = "D:\\X\\ExeXml\r\n";
    platform.files["D:\\X\\ExeXml\\PRD.P00"] = kGoodProfile;
    platform.files["D:\\X\\ExeXml\\SAP Orvanta.Gbl"] =
        kServerLine + "# GSNX: ALL        LAN=eth1 ,DEADLINE=5 DEADLINE=9 ,Sensor=\"SAP Quillar\" Item=In-Errors\r\n"
                      "# GSNG: BAD         PRD.P00#\r\n"
                      "# GSNX: BAD        ,PARALLEL=1e9 ,Sensor=\"SAP Quillar\" Item=In-Errors\r\n"
                      "# GSNG: TWICE       PRD.P00#\r\n"
                      "# GSNX: TWICE      ,RUNTIME=30,PARALLEL=2,Runtime=abc ,Sensor=\"SAP Quillar\" Item=In-Errors\r\n";
    platform.files["D:\\X\\ExeXml\\Orvanta.Prf"] = "# Gsng: any         PRD.P00#\r\n";
    EXPECT_EQ(run_profile_tool(platform, {"explain", c.parameters}), c.exit_code) << c.parameters;
    EXPECT_EQ(platform.console, c.output) << c.parameters;
  }
}

TEST(ProfileToolTest, RefusesARepeatedOptionByItsName) {
  FakePlatform platform;
  platform.input = "Secret#1\n";
  EXPECT_EQ(run_profile_tool(platform, create_command({"--user=other", "--force", "--force"})), 2);
  EXPECT_EQ(platform.error_console,
            "quillar-profile: --user is given twice\nquillar-profile: --force is given twice\n");
  EXPECT_TRUE(platform.files.empty());
}

}  // namespace
}  // namespace quillar
