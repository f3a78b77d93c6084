#include "driver/processing_run.h"
#include "driver/run_steps.h"

#include <gtest/gtest.h>

#include "driver/sensor.h"
#include "fake_platform.h"
#include "platform/temp_drives.h"
#include "rfcsim/fresh_stand_ins.h"
#include "rfcsim_control.h"

namespace quillar {
namespace {

TEST(ProcessingRunTest, ShowsTheParametersOfTheExecutingLine) {
  const struct {
    const char* options;
    const char* shown;
  } cases[] = {
      {"", "(No Parameters)"},
      {"LAN=eth0", "LAN=eth0"},
      {"LAN=eth0 #trace", "LAN=eth0 "},
      {"#", "(No Parameters)"},
      {"LAN=1 @x #y", "LAN=1 "},
      {"a#b@c", "a"},
      {"(Parameters ", "(No Parameters)"},
      {"(No ", "(No Parameters)"},
      {"(No Parameters", "(No Parameters"},
      {"(Parameters #x", "(No Parameters)"},
  };
  for (const auto& c : cases) EXPECT_EQ(shown_parameters(c.options), c.shown) << c.options;
}

TEST(ProcessingRunTest, NamesTheChannelsOfTheGlobalRun) {
  LogonEntries entries;
  entries.hostname = "sapbin";
  entries.destination = "BIN";
  const struct {
    ChannelNaming naming;
    std::string profile_name;
    std::string channel;
  } cases[] = {
      {ChannelNaming::kProfileName, "PRD.P00", "PRD.P00"},
      {ChannelNaming::kAlias, "PRD.P00", "PRD"},
      {ChannelNaming::kAlias, "ABC", "ABC"},
      {ChannelNaming::kAlias, ".P00", ""},
      {ChannelNaming::kHostName, "PRD.P00", "sapbin"},
      {ChannelNaming::kDestination, "PRD.P00", "BIN"},
      {ChannelNaming::kProfileName, std::string(43, 'n'), std::string(43, 'n')},
      {ChannelNaming::kProfileName, std::string(44, 'n'), std::string(43, 'n')},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(channel_name_for(c.naming, c.profile_name, entries), c.channel) << c.profile_name;
  }
}

// Each system of a global run is logged on with what its own profile holds:
// a full profile before each one that lacks an entry shows any field that
// would survive from the earlier system.
TEST(ProcessingRunTest, NoLogonFieldOutlivesItsSystem) {
  const std::string full =
      "Destination: FUL\nClient.....: 100\nUser.......: rfcuser\n"
      "Password...: ;/1<P|d'TPTUnNHWU\\F3.uvg\nLanguage...: E\nMode.......: R/3\n"
      "Hostname...: sapful\nSysnr......: 01\nGwhost.....: gwful\nGwservice..: sapgw01\n";
  const char* const labels[] = {"Destination:", "Client.....:", "User.......:", "Password...:", "Language...:",
                                "Hostname...:", "Sysnr......:", "Gwhost.....:", "Gwservice..:"};
  TempDrives drives;
  drives.write("c/work/FULL.P00", full);
  std::string listing;
  for (int k = 0; k < 9; ++k) {
    std::string lacking = full;
    std::size_t at = lacking.find(labels[k]);
    lacking.erase(at, lacking.find('\n', at) + 1 - at);
    drives.write("c/work/NO" + std::to_string(k) + ".P00", lacking);
    listing += "FULL.P00#NO" + std::to_string(k) + ".P00#";
  }
  drives.write("c/work/SAP Orvanta.Gbl",
               "# GSNG: S1          " + listing + "\n# GSNX: S1         Sensor=\"SAP Quillar\" Item=In-Errors\n");
  FreshStandIns stand_ins;
  std::unique_ptr<Platform> system = make_system_platform();
  ConsoleCapture platform(*system);
  EXPECT_EQ(run_sensor(platform, {"quillar", "GLOBAL", "S1 MODE=Mervesk"}), kExitCompleted);

  const std::vector<rfcsim::OpenSeen>& opens = rfcsim::seen().opens;
  ASSERT_EQ(opens.size(), 18u);
  for (int k = 0; k < 9; ++k) {
    const rfcsim::OpenSeen& seen = opens[2 * k + 1];
    const std::string what = labels[k];
    EXPECT_EQ(seen.destination, what == "Destination:" ? "" : "FUL") << what;
    EXPECT_EQ(seen.client, what == "Client.....:" ? "" : "100") << what;
    EXPECT_EQ(seen.user, what == "User.......:" ? std::string(12, ' ') : "RFCUSER     ") << what;
    EXPECT_EQ(seen.password, what == "Password...:" ? std::string(10, ' ') : "Secret#1  ") << what;
    EXPECT_EQ(seen.language, what == "Language...:" ? "" : "E") << what;
    EXPECT_EQ(seen.hostname, what == "Hostname...:" ? rfcsim::PassedText() : "sapful") << what;
    EXPECT_EQ(seen.sysnr, what == "Sysnr......:" ? 0 : 1) << what;
    EXPECT_EQ(seen.gateway_host, what == "Gwhost.....:" ? rfcsim::PassedText() : "gwful") << what;
    EXPECT_EQ(seen.gateway_service, what == "Gwservice..:" ? rfcsim::PassedText() : "sapgw01") << what;
  }
}

// A run whose systems the library works on in this process refuses a trace
// file that is no plain file before the library is first called, and before
// any part of its document; runs with children leave it to their children,
// which work in folders of their own.
TEST(ProcessingRunTest, ARunInOneProcessRefusesATrappedTraceFileBeforeTheLibraryWorks) {
  const std::string refused =
      "<Prtg>\n<Error>1</Error>\n<Text>Error 1065: Dev_Rfc.Trc in C:\\work\\ is no plain file of its own (a link, "
      "FIFO or folder), remove it, the RFC library writes its trace there...</Text>\n</Prtg>\n";
  const struct {
    const char* name;
    std::string options;
    bool refused;
  } runs[] = {
      {"a single system", "MODE=Mervesk", true},
      {"a global run", "MODE=Mervesk ITEM=In-Errors", true},
      {"a single system in a child", "MODE=Mervesk,DEADLINE=5", false},
      {"a global run with children", "MODE=Mervesk ITEM=In-Errors,PARALLEL=2", false},
  };
  TempDrives drives;
  for (const auto& run : runs) {
    for (bool trapped : {false, true}) {
      const std::string shown = std::string(run.name) + (trapped ? ", trapped" : "");
      FreshStandIns stand_ins;
      FakePlatform platform;
      platform.files["PRD.P00"] =
          "Destination: BIN\nClient.....: 100\nUser.......: rfcuser\nPassword...: ;/1<P|d'TPTUnNHWU\\F3.uvg\n"
          "Language...: E\nMode.......: R/3\nHostname...: sapbin\nSysnr......: 00\nGwhost.....: sapbin\n"
          "Gwservice..: sapgw00\nExtcompany.: ACME\n";
      platform.files["Orvanta.Prf"] = "# Gsng: any key     PRD.P00#\n";
      if (trapped) platform.links.insert("Dev_Rfc.Trc");
      const int exit_code = run_sensor(platform, {"quillar.exe", "PRD", run.options});
      if (trapped && run.refused) {
        EXPECT_EQ(exit_code, kExitErrorDocument) << shown;
        EXPECT_EQ(platform.console, refused) << shown;
        EXPECT_TRUE(rfcsim::seen().opens.empty()) << shown;
      } else {
        EXPECT_EQ(platform.console.find("Error 1065"), std::string::npos) << shown;
        EXPECT_EQ(rfcsim::seen().opens.empty(), !run.refused) << shown << ": only this process logs on";
      }
    }
  }
}

}  // namespace
}  // namespace quillar
