#include "profiles/profile_tool.h"

#include <gtest/gtest.h>

#include "fake_platform.h"
#include "profiles/system_profile.h"

namespace quillar {
namespace {

const std::vector<std::string> kEntryOptions = {
    "--destination", "BIN",    "--client", "100",    "--user",       "rfcuser", "--language", "E",
    "--mode",        "R/3",    "--host",   "sapbin", "--sysnr",      "00",      "--gwhost",   "sapgw",
    "--gwservice",   "sapgw00", "--extcompany", "ACME"};

std::vector<std::string> create_command(const std::vector<std::string>& extra = {}) {
  std::vector<std::string> command = {"create", "C:\\ExeXml\\PRD.P00"};
  command.insert(command.end(), kEntryOptions.begin(), kEntryOptions.end());
  command.insert(command.end(), extra.begin(), extra.end());
  return command;
}

TEST(ProfileToolTest, CreatedProfilesReadBackWithTheSensorsReader) {
  for (std::size_t length = 2; length <= 20; ++length) {
    for (int first = 0x20; first <= 0x7e; first += 5) {
      std::string password;
      for (std::size_t i = 0; i < length; ++i) password += static_cast<char>(0x20 + (first - 0x20 + i * 11) % 95);
      FakePlatform platform;
      platform.input = password + "\n";
      ASSERT_EQ(run_profile_tool(platform, create_command()), 0) << password << platform.error_console;

      std::unique_ptr<ReadableFile> file = platform.open_text("C:\\ExeXml\\PRD.P00");
      LogonEntries entries;
      Status read = read_system_profile(*file, "PRD.P00", false, OffsetTable(), entries);
      ASSERT_TRUE(read.is_ok()) << password << ": " << read.text();
      EXPECT_EQ(entries.password, password);
      EXPECT_EQ(entries.user, "RFCUSER");
      EXPECT_EQ(entries.gwservice, "sapgw00");
    }
  }
}

TEST(ProfileToolTest, WritesTheLabelFormat) {
  FakePlatform platform;
  platform.input = "Secret#1\r\n";
  ASSERT_EQ(run_profile_tool(platform, create_command()), 0);
  EXPECT_EQ(platform.files["C:\\ExeXml\\PRD.P00"],
            "Extcompany.: ACME\r\n"
            "Destination: BIN\r\n"
            "Client.....: 100\r\n"
            "User.......: rfcuser\r\n"
            "Password...: ;/1<P|d'TPTUnNHWU\\F3.uvg\r\n"
            "Language...: E\r\n"
            "Mode.......: R/3\r\n"
            "Hostname...: sapbin\r\n"
            "Sysnr......: 00\r\n"
            "Gwhost.....: sapgw\r\n"
            "Gwservice..: sapgw00\r\n");

  ASSERT_EQ(run_profile_tool(platform, {"check", "C:\\ExeXml\\PRD.P00"}), 0) << platform.error_console;
  EXPECT_EQ(platform.console,
            "Extcompany.: ACME\n"
            "Destination: BIN\n"
            "Client.....: 100\n"
            "User.......: RFCUSER\n"
            "Password...: ********\n"
            "Language...: E\n"
            "Mode.......: R/3\n"
            "Hostname...: sapbin\n"
            "Sysnr......: 00\n"
            "Gwhost.....: sapgw\n"
            "Gwservice..: sapgw00\n");
}

// Every entry the tool accepts reads back unchanged; one character more, or
// a blank at either end, is refused with the entry's name and limit.
TEST(ProfileToolTest, AcceptsExactlyWhatTheSensorReadsBackUnchanged) {
  for (const ProfileLabel& label : kProfileLabels) {
    if (label.entry == &LogonEntries::password) continue;
    std::string option;
    for (std::size_t i = 0; i < kEntryOptions.size(); i += 2) {
      // The option of this label is the one whose value lands on its line.
      FakePlatform platform;
      platform.input = "Secret#1\n";
      std::vector<std::string> command = create_command({kEntryOptions[i], "MARK"});
      if (run_profile_tool(platform, command) != 0) continue;
      if (platform.files["C:\\ExeXml\\PRD.P00"].find(std::string(label.label) + " MARK") != std::string::npos) {
        option = kEntryOptions[i];
      }
    }
    ASSERT_FALSE(option.empty()) << label.label;
    const std::size_t room = readable_room(label);
    EXPECT_LE(room, kValueRoom) << label.label;

    FakePlatform fits;
    fits.input = "Secret#1\n";
    const std::string longest(room, 'V');
    ASSERT_EQ(run_profile_tool(fits, create_command({option, longest})), 0) << label.label << fits.error_console;
    std::unique_ptr<ReadableFile> file = fits.open_text("C:\\ExeXml\\PRD.P00");
    LogonEntries entries;
    Status read = read_system_profile(*file, "PRD.P00", false, OffsetTable(), entries);
    EXPECT_TRUE(read.is_ok()) << label.label << ": " << read.text();
    std::string expected = label.entry == &LogonEntries::user ? std::string(room, 'V') : longest;
    EXPECT_EQ(entries.*label.entry, expected) << label.label;

    const std::pair<std::string, std::string> refused[] = {
        {std::string(room + 1, 'V'), option + " may hold at most " + std::to_string(room) + " characters"},
        {" VVV", option + " must not begin or end with a blank"},
        {"VVV ", option + " must not begin or end with a blank"},
    };
    for (const auto& [value, message] : refused) {
      FakePlatform platform;
      platform.input = "Secret#1\n";
      EXPECT_EQ(run_profile_tool(platform, create_command({option, value})), 2) << label.label << value;
      EXPECT_EQ(platform.error_console, "quillar-profile: " + message + "\n") << label.label;
    }
  }
}

TEST(ProfileToolTest, RefusesWhatTheSensorWouldReject) {
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    std::string input;
    std::string message;
  } cases[] = {
      {"short destination", create_command({"--destination", "BI"}), "Secret#1\n",
       "quillar-profile: --destination needs at least 3 characters\n"},
      {"long client", create_command({"--client=123456789012"}), "Secret#1\n",
       "quillar-profile: --client may hold at most 11 characters\n"},
      {"empty language", create_command({"--language="}), "Secret#1\n",
       "quillar-profile: --language needs at least 1 character\n"},
      {"missing option", {"create", "X.P00", "--destination", "BIN"}, "Secret#1\n",
       "quillar-profile: missing --client\n"},
      {"unknown option", create_command({"--password", "x"}), "Secret#1\n",
       "quillar-profile: unknown option --password\n"},
      {"option without value", create_command({"--host"}), "Secret#1\n", "quillar-profile: --host needs a value\n"},
      {"password too short", create_command(), "x\n", "quillar-profile: the password needs at least 2 characters\n"},
      {"password too long", create_command(), std::string(21, 'p') + "\n",
       "quillar-profile: the password may hold at most 20 characters\n"},
      {"password not ASCII", create_command(), "p\xc3\xa4sswort\n",
       "quillar-profile: the password may hold printable ASCII characters only\n"},
      {"no password", create_command(), "", "quillar-profile: no password on standard input\n"},
      {"unstorable password", create_command(), std::string(20, '~') + "\n",
       "quillar-profile: this password cannot be stored as printable text; use fewer of the characters ` { | } ~\n"},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.input = c.input;
    EXPECT_EQ(run_profile_tool(platform, c.arguments), 2) << c.name;
    EXPECT_EQ(platform.error_console, c.message) << c.name;
    EXPECT_EQ(platform.files.size(), 0u) << c.name;
  }
}

TEST(ProfileToolTest, ReplacesAProfileOnlyWithForce) {
  FakePlatform platform;
  platform.files["C:\\ExeXml\\PRD.P00"] = "precious";
  platform.input = "Secret#1\n";
  EXPECT_EQ(run_profile_tool(platform, create_command()), 2);
  EXPECT_EQ(platform.error_console, "quillar-profile: C:\\ExeXml\\PRD.P00 exists; add --force to replace it\n");
  EXPECT_EQ(platform.files["C:\\ExeXml\\PRD.P00"], "precious");
  EXPECT_EQ(run_profile_tool(platform, create_command({"--force"})), 0);
  EXPECT_NE(platform.files["C:\\ExeXml\\PRD.P00"], "precious");
}

TEST(ProfileToolTest, CheckPrintsTheSensorsErrorText) {
  FakePlatform platform;
  platform.files["D:\\P\\QAS.P00"] = "Destination: QAS\r\n";
  EXPECT_EQ(run_profile_tool(platform, {"check", "D:\\P\\QAS.P00"}), 2);
  EXPECT_EQ(platform.error_console, "quillar-profile: Error 1006: Username in Profile QAS.P00 is missing...\n");
  EXPECT_EQ(platform.console, "");

  FakePlatform missing;
  EXPECT_EQ(run_profile_tool(missing, {"check", "none.P00"}), 2);
  EXPECT_EQ(missing.error_console, "quillar-profile: cannot open none.P00\n");
}

TEST(ProfileToolTest, ScramblesAndAsksOnATerminal) {
  FakePlatform platform;
  platform.input = "Secret#1\n";
  EXPECT_EQ(run_profile_tool(platform, {"scramble"}), 0);
  EXPECT_EQ(platform.console, ";/1<P|d'TPTUnNHWU\\F3.uvg\n");
  EXPECT_EQ(platform.error_console, "");

  FakePlatform terminal;
  terminal.terminal = true;
  terminal.input = "Secret#1\n";
  EXPECT_EQ(run_profile_tool(terminal, {"scramble"}), 0);
  EXPECT_EQ(terminal.error_console, "Password: ");
}

TEST(ProfileToolTest, UsageOnHelpAndOnMistakes) {
  FakePlatform help;
  EXPECT_EQ(run_profile_tool(help, {"--help"}), 0);
  EXPECT_EQ(help.console.rfind("usage: quillar-profile create FILE", 0), 0u);
  for (const std::vector<std::string>& wrong :
       std::vector<std::vector<std::string>>{{}, {"frobnicate"}, {"check"}, {"create"}, {"create", "--user"}}) {
    FakePlatform platform;
    EXPECT_EQ(run_profile_tool(platform, wrong), 2);
    EXPECT_EQ(platform.error_console, help.console);
  }
}

}  // namespace
}  // namespace quillar
