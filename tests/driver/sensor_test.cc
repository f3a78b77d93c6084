#include "driver/sensor.h"

#include <gtest/gtest.h>

#include "driver/version.h"
#include "fake_platform.h"
#include "mode_texts.h"

namespace quillar {
namespace {

// The text is escaped as XML text where it enters the document.
TEST(SensorTest, EveryStartUpFaultPrintsOneErrorDocumentAndGivesExitCodeTwo) {
  const struct {
    std::vector<std::string> command_line;
    std::string text;
  } cases[] = {
      {{"quillar.exe"}, "Error 1001: Parameter for Profile-Name is missing !"},
      {{"quillar.exe", "PRD", "MODE=Mervesk"}, "Error 1002: Profile PRD.P00 is missing..."},
      {{"quillar.exe", "D:\\P\\PRD", "MODE=tolvane"}, "Error 1002: Profile D:\\P\\PRD.P00 is missing..."},
      {{"quillar.exe", "PRD", "MODE=html"}, unknown_mode_error("html")},
      {{"quillar.exe", "%s%n<&>", "MODE=Quendal"}, "Error 1002: Profile %s%n&lt;&amp;&gt;.P00 is missing..."},
      {{"quillar.exe", "A&B<C>", "MODE=Dravik"}, "Error 1002: Profile A&amp;B&lt;C&gt;.P00 is missing..."},
      {{"quillar.exe", "</Text><Result>", "MODE=Mervesk"},
       "Error 1002: Profile &lt;/Text&gt;&lt;Result&gt;.P00 is missing..."},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    EXPECT_EQ(run_sensor(platform, c.command_line), kExitErrorDocument) << c.text;
    EXPECT_EQ(platform.console, "<Prtg>\n<Error>1</Error>\n<Text>" + c.text + "</Text>\n</Prtg>\n");
  }
}

// Both answer without looking for a profile, even one of that name, and
// whatever follows them.
TEST(SensorTest, VersionAndHelpTouchNoProfile) {
  for (const char* question : {"--version", "--help"}) {
    FakePlatform platform;
    platform.files[std::string(question) + ".P00"] = "User.......: u1\r\n";
    platform.files["Quillar.log"] = "";
    EXPECT_EQ(run_sensor(platform, {"quillar.exe", question, ",SYSLOG @"}), kExitCompleted) << question;
    EXPECT_EQ(platform.error_console, "") << question;
    EXPECT_EQ(platform.files["Quillar.log"], "") << question;
    if (std::string(question) == "--version") {
      EXPECT_EQ(platform.console, std::string("quillar ") + build_version() + "\n") << "one line, no banner";
    } else {
      EXPECT_EQ(platform.console.rfind("usage: quillar PROFILE [OPTIONS [MORE-OPTIONS]]\n", 0), 0u);
      EXPECT_NE(platform.console.find("ADMIN-GUIDE.md"), std::string::npos);
    }
  }
}

// The whole help, byte for byte: it is made from the table of option
// keywords and from kModes, and this is where a change to its words shows.
TEST(SensorTest, HelpText) {
  FakePlatform platform;
  ASSERT_EQ(run_sensor(platform, {"quillar.exe", "--help"}), kExitCompleted);
  EXPECT_EQ(platform.console,
      "usage: quillar PROFILE [OPTIONS [MORE-OPTIONS]]\n"
      "       quillar GLOBAL \"KEY [OPTIONS]\"\n"
      "       quillar PROFILE \"ITEM=CHANNEL [OPTIONS]\"\n"
      "       quillar --version\n"
      "       quillar --help\n"
      "\n"
      "PROFILE is a system profile, PRD or PRD.P00, looked for in PRTG's Custom\n"
      "Sensors\\ExeXml folder (or as named with @ or a mode other than EXEXML).\n"
      "GLOBAL reports one channel for each system that the global profile\n"
      "SAP Orvanta.Gbl allocates to the sensor KEY; its sensor line holds the\n"
      "options of the run. ITEM= reports CHANNEL for each system of Orvanta.Prf.\n"
      "A third argument is joined to the options with a blank; later ones are not\n"
      "read. Options are found anywhere, in any letter case:\n"
      "\n"
      "  LAN=name       only the rows of this network interface count\n"
      "  ITEM=channel   Packets/Sec, In-Packets/Sec, Out-Packets/Sec, In-Errors,\n"
      "                 Out-Errors or Collision(s); \":\" stands for a blank\n"
      "  MODE=mode      EXEXML (the default), Quendal, Dravik, Mervesk or Tolvane\n"
      "  CH=n           Tolvane: the value of the n-th channel alone\n"
      "  ,SYSLOG        write Quillar.log in the working directory\n"
      "  ,HOST=name     log on to this application server instead of the profile's\n"
      "  ,NO=nn         log on with this system number instead of the profile's\n"
      "  ,DEADLINE=s    stop a system that has not answered after s seconds (1-600)\n"
      "  ,PARALLEL=n    work on up to n systems at once (1-32)\n"
      "  ,RUNTIME=s     with ,DEADLINE= or ,PARALLEL=: end the whole run after s\n"
      "                 seconds (1-900, 50 unless set, not below the deadline)\n"
      "  ,FAILED        a global run adds the channel \"Failed systems\"\n"
      "  # $ %          trace lines before the document (by hand only)\n"
      "  @              trace lines, and the profile opened where PROFILE names it\n"
      "\n"
      "Exit codes: 0 the run completed, 1 the RFC library's error report ended it,\n"
      "2 an error document was printed.\n"
      "\n"
      "ADMIN-GUIDE.md in the release archive is the administrator's guide;\n"
      "quillar-profile explain \"PARAMETERS\" shows how the sensor reads its\n"
      "parameters.\n");
}

TEST(SensorTest, SyslogOpensTheLogFileAtStartUp) {
  FakePlatform platform;
  run_sensor(platform, {"quillar.exe", "PRD", "MODE=Mervesk SYSLOG"});
  EXPECT_EQ(platform.files.count("Quillar.log"), 0u);
  run_sensor(platform, {"quillar.exe", "PRD", "MODE=Mervesk,SYSLOG"});
  EXPECT_EQ(platform.files.count("Quillar.log"), 1u);
}

// A platform on which a file vanishes after it has been opened once.
class VanishingPlatform : public FakePlatform {
 public:
  std::unique_ptr<ReadableFile> open_bytes(const std::string& path) override {
    std::unique_ptr<ReadableFile> file = FakePlatform::open_bytes(path);
    if (path == vanishing) files.erase(path);
    return file;
  }
  std::string vanishing;
};

TEST(SensorTest, AGlobalProfileThatVanishesBetweenTwoOpens) {
  const struct {
    std::vector<std::string> command_line;
    std::string path;
    const char* text;
  } cases[] = {
      {{"quillar.exe", "GLOBAL", "S1 MODE=Mervesk"}, "SAP Orvanta.Gbl",
       "Error 10x1: ProFile SAP Orvanta.Gbl is missing..."},
      {{"quillar.exe", "PRD", "MODE=Mervesk ITEM=In-Errors"}, "Orvanta.Prf",
       "Error 1024: ProFile Orvanta.Prf is missing..."},
  };
  for (const auto& c : cases) {
    VanishingPlatform platform;
    platform.files[c.path] = "# GSNG: S1          PRD.P00#\n";
    platform.vanishing = c.path;
    EXPECT_EQ(run_sensor(platform, c.command_line), kExitErrorDocument);
    EXPECT_EQ(platform.console, std::string("<Prtg>\n<Error>1</Error>\n<Text>") + c.text + "</Text>\n</Prtg>\n");
  }
}

}  // namespace
}  // namespace quillar
