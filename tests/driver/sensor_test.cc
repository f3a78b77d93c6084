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
