// The built sensor end to end: exact standard output and exit code, natively
// and as quillar.exe under wine.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "e2e/e2e_support.h"

namespace quillar::e2e {
namespace {

struct Case {
  const char* name;
  std::vector<std::string> arguments;
  std::map<std::string, std::string> files;
  std::string expected_output;
  int expected_exit = 2;
  std::string working_dir = "C:\\e2e\\run";
};

class SensorEndToEnd : public testing::Test {
 protected:
  void TearDown() override { host().clear_files(); }

  void expect_run(const Case& c) {
    for (const auto& [path, content] : c.files) host().write_file(path, content);
    ProcessResult result = host().run(c.arguments, c.working_dir);
    EXPECT_EQ(with_times_masked(result.standard_output), host().console_form(c.expected_output)) << c.name;
    EXPECT_EQ(result.exit_code, c.expected_exit) << c.name;
    EXPECT_EQ(result.standard_error, "") << c.name;
    host().clear_files();
  }
};

const std::string kProfile = profile("BIN", "100", "sapbin", "00");
const std::string kGlobal =
    "# GSNG: S01          PRD.P00#QAS.P00#\r\n"
    "# GSNX: S01        LAN=1 Sensor=\"SAP Quillar\" Item=In-Errors,Host\r\n";
const std::string kItemProfile = "# Gsng: any key     PRD.P00#\r\n";
const std::string kSorry = error_document("Sorry, invalid Path-Usage...");
// Without a landscape no system answers, so a run that gets as far as the
// logon ends here.
const std::string kLogonRefused = error_document("Error 1011: RFC-Open for BIN failed !");

TEST_F(SensorEndToEnd, StartUpFaultsEndInOneErrorDocument) {
  const Case cases[] = {
      {"profile missing in a named folder", {"C:\\e2e\\profiles\\PRD", "MODE=Tolvane"}, {},
       error_document("Error 1002: Profile C:\\e2e\\profiles\\PRD.P00 is missing...")},
      {"root-relative folder", {"\\e2e\\profiles\\PRD", "mode=dravik"}, {},
       error_document("Error 1002: Profile \\e2e\\profiles\\PRD.P00 is missing...")},
      {"a folder is no profile", {"PRD", "MODE=Quendal"}, {{"C:\\e2e\\run\\PRD.P00\\x", ""}},
       error_document("Error 1002: Profile PRD.P00 is missing...")},
      {"ITEM= asks for the item profile", {"PRD", "MODE=Mervesk ITEM=In-Errors"}, {},
       error_document("Error 1002: Profile Orvanta.Prf is missing...")},
      {"@ opens the profile where the command line puts it", {"C:\\e2e\\p\\PRD", "@"}, {},
       error_document("Error 1002: Profile C:\\e2e\\p\\PRD.P00 is missing...")},
      // The one test that pins the list of modes as the error names them; the
      // others make it with tests/mode_texts.h.
      {"unknown mode", {"PRD", "LAN=1,MODE=xml"}, {},
       error_document("Error 1041: Mode xml is unknown, use EXEXML, Quendal, Dravik, Mervesk or Tolvane...")},
      {"profile name too long", {std::string(64, 'P'), "MODE=Mervesk"}, {},
       error_document("Error 1042: Profile-Name longer than 63 characters...")},
      {"options too long", {"PRD", std::string(100, 'o'), std::string(30, 'o')}, {},
       error_document("Error 1044: Parameters longer than 127 characters...")},
      {"texts are printed as they stand", {"%s%n", "MODE=Mervesk"}, {},
       error_document("Error 1002: Profile %s%n.P00 is missing...")},
  };
  for (const Case& c : cases) expect_run(c);
}

TEST_F(SensorEndToEnd, FindsProfilesOnTheDrivesAsWindowsDoes) {
  const Case cases[] = {
      {"working directory", {"PRD", "MODE=Mervesk"}, {{"C:\\e2e\\run\\PRD.P00", kProfile}}, kLogonRefused},
      {"letter case of the name does not matter", {"PRD", "MODE=Quendal"},
       {{"C:\\e2e\\run\\prd.p00", kProfile}}, kLogonRefused},
      {"drive path", {"c:\\E2E\\Profiles\\PRD", "MODE=Tolvane"},
       {{"C:\\e2e\\profiles\\PRD.P00", kProfile}}, kLogonRefused},
      {"root-relative path on the drive of the working directory", {"\\e2e\\profiles\\PRD", "MODE=Dravik"},
       {{"C:\\e2e\\profiles\\PRD.P00", kProfile}}, kLogonRefused},
      {"relative folder", {"sub\\PRD.P01", "MODE=Mervesk"}, {{"C:\\e2e\\run\\sub\\PRD.P01", kProfile}},
       kLogonRefused},
      {"@ in the PRTG mode", {"C:\\e2e\\p\\PRD", "@"}, {{"C:\\e2e\\p\\PRD.P00", kProfile}},
       "* hh:mm:ss SAP Quillar Vers 4.3 / 29.08.22\n"
       "* hh:mm:ss PRD.P00, sapbin, BIN, 00, 100 State=Processing\n"
       "* hh:mm:ss Quillar - (No Parameters) State=Executing\n" + kLogonRefused},
      {"global profile", {"C:\\e2e\\p\\global", "S01 MODE=Mervesk"}, {{"C:\\e2e\\p\\SAP Orvanta.Gbl", kGlobal}},
       "\n\n# (***) In-Errors: NoSystems=2, Processed=0, Failed=0\n\n", 0},
      {"item profile", {"PRD", "MODE=Mervesk", "ITEM=In-Errors"}, {{"C:\\e2e\\run\\Orvanta.Prf", kItemProfile}},
       "\n\n# (***) In-Errors: NoSystems=1, Processed=0, Failed=0\n\n", 0},
      {"PRTG mode refuses the working directory", {"PRD"}, {{"C:\\e2e\\run\\PRD.P00", ""}}, kSorry},
  };
  for (const Case& c : cases) expect_run(c);
}

TEST_F(SensorEndToEnd, FindsTheSensorDirectoryOfPrtg) {
  const std::string kPrtg = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";
  const Case cases[] = {
      {"override file, last qualifying line wins",
       {"PRD"},
       {{"C:\\PRTG_Path.Txt", "; base\r\nD:\\Tools\r\nC:\\e2e\\PRTG\\\r\n"},
        {"C:\\e2e\\PRTG\\" + kPrtg + "PRD.P00", kProfile}},
       kLogonRefused},
      {"override file, names in any letter case",
       {"prd"},
       {{"C:\\PRTG_Path.Txt", "c:\\E2E\\prtg\r\n"},
        {"C:\\e2e\\prtg\\prtg network monitor\\CUSTOM SENSORS\\EXEXML\\PRD.P00", kProfile}},
       kLogonRefused},
      {"override file, the ExeXml folder itself",
       {"PRD"},
       {{"C:\\PRTG_Path.Txt", "C:\\e2e\\PRTG\\" + kPrtg},
        {"C:\\e2e\\PRTG\\" + kPrtg + "PRD.P00", kProfile}},
       kLogonRefused},
      {"override file without a qualifying line probes the root of the current drive",
       {"PRD"},
       {{"C:\\PRTG_Path.Txt", "; nothing\r\n"}, {"C:\\" + kPrtg + "PRD.P00", kProfile}},
       kLogonRefused},
      {"override file, the installation folders are not tried",
       {"PRD"},
       {{"C:\\PRTG_Path.Txt", "C:\\e2e\\elsewhere"}, {"C:\\Program Files\\" + kPrtg + "PRD.P00", kProfile}},
       error_document("Error 1002: Profile PRD.P00 is missing...")},
      {"override file with a byte order mark",
       {"PRD"},
       {{"C:\\PRTG_Path.Txt", "\xEF\xBB\xBF" "C:\\e2e\\PRTG\r\n"}, {"C:\\e2e\\PRTG\\" + kPrtg + "PRD.P00", kProfile}},
       kLogonRefused},
      {"override file in UTF-16",
       {"PRD"},
       {{"C:\\PRTG_Path.Txt", std::string("\xFF\xFE" "C\0:\0\\\0", 8)}, {"C:\\" + kPrtg + "PRD.P00", kProfile}},
       error_document("Error 1009: File C:\\PRTG_Path.Txt is saved as UTF-16, save it as ANSI or UTF-8...")},
      {"override file naming a folder that is not ExeXml",
       {"PRD"},
       {{"C:\\PRTG_Path.Txt", "C:\\e2e\\profiles"}, {"C:\\e2e\\profiles\\PRD.P00", kProfile}},
       kSorry},
      {"installation folder on the current drive, fourth try",
       {"PRD"},
       {{"C:\\Program Files (x86)\\" + kPrtg + "PRD.P00", kProfile}},
       kLogonRefused},
      {"the working directory wins the search and is refused",
       {"PRD"},
       {{"C:\\e2e\\run\\PRD.P00", kProfile}, {"C:\\Program Files\\" + kPrtg + "PRD.P00", kProfile}},
       kSorry},
      {"nowhere", {"D:\\ignored\\PRD"}, {}, error_document("Error 1002: Profile PRD.P00 is missing...")},
      // A folder in front of the name is dropped whether "\\" or "/"
      // separates it: four folders up from ExeXml is C:\\e2e.
      {"a folder written with slashes is dropped too",
       {"../../../../outside/EVIL"},
       {{"C:\\PRTG_Path.Txt", "C:\\e2e\\PRTG\r\n"},
        {"C:\\e2e\\PRTG\\" + kPrtg + "PRD.P00", kProfile},
        {"C:\\e2e\\outside\\EVIL.P00", kProfile}},
       error_document("Error 1002: Profile EVIL.P00 is missing...")},
      {"and so is one written with both",
       {"..\\../..\\../outside/EVIL"},
       {{"C:\\PRTG_Path.Txt", "C:\\e2e\\PRTG\r\n"},
        {"C:\\e2e\\PRTG\\" + kPrtg + "PRD.P00", kProfile},
        {"C:\\e2e\\outside\\EVIL.P00", kProfile}},
       error_document("Error 1002: Profile EVIL.P00 is missing...")},
      {"the profile of that name in the ExeXml folder is read",
       {"../../../../outside/PRD"},
       {{"C:\\PRTG_Path.Txt", "C:\\e2e\\PRTG\r\n"},
        {"C:\\e2e\\PRTG\\" + kPrtg + "PRD.P00", kProfile}},
       kLogonRefused},
      {"global run in the sensor directory",
       {"GLOBAL", "S01"},
       {{"C:\\Programme\\" + kPrtg + "SAP Orvanta.Gbl", kGlobal}},
       "\n<Prtg>\n\n\n<Text>(***) In-Errors: NoSystems=2, Processed=0, Failed=0</Text>\n\n</Prtg>\n\n", 0},
  };
  for (const Case& c : cases) expect_run(c);
}

TEST_F(SensorEndToEnd, ProfileFaultsEndInTheirErrorDocuments) {
  auto without = [](const std::string& label) {
    std::string profile = kProfile;
    std::size_t at = profile.find(label);
    return profile.erase(at, profile.find('\n', at) + 1 - at);
  };
  const Case cases[] = {
      {"1003", {"PRD", "MODE=Mervesk"}, {{"C:\\e2e\\run\\PRD.P00", kProfile + "Sysnr......: 0\r\n"}},
       error_document("Error 1003: Invalid Parameter(s) at PRD.P00 found...")},
      {"1004", {"PRD", "MODE=Mervesk"}, {{"C:\\e2e\\run\\PRD.P00", kProfile + "Password...: short\r\n"}},
       error_document("Error 1004: Invalid Password in Profile PRD.P00 found...")},
      {"1005", {"PRD", "MODE=Mervesk"},
       {{"C:\\e2e\\run\\PRD.P00", kProfile + "Password...: " + kStoredPassword.substr(0, 23) + "X\r\n"}},
       error_document("Error 1005: Wrong Password in Profile PRD.P00 found...")},
      {"1006", {"PRD", "MODE=Mervesk"}, {{"C:\\e2e\\run\\PRD.P00", without("User")}},
       error_document("Error 1006: Username in Profile PRD.P00 is missing...")},
      {"1007", {"PRD", "MODE=Mervesk"}, {{"C:\\e2e\\run\\PRD.P00", without("Password")}},
       error_document("Error 1007: Password in Profile PRD.P00 is missing...")},
      {"1008", {"PRD", "MODE=Mervesk"}, {{"C:\\e2e\\run\\PRD.P00", kProfile + "Client.....: 123456789012\r\n"}},
       error_document("Error 1008: Too long Parameter(s) at PRD.P00 found...")},
      {"1025", {"GLOBAL", "S01 MODE=Mervesk"},
       {{"C:\\e2e\\run\\SAP Orvanta.Gbl", "# GSNX: S01        Sensor=\"SAP Quillar\" Item=x\r\n"}},
       error_document("Error 1025: Global Server Listing missing...")},
      {"1026", {"PRD", "MODE=Mervesk ITEM="}, {{"C:\\e2e\\run\\Orvanta.Prf", kItemProfile}},
       error_document("Error 1026: Global Item Idenification missing...")},
      {"1029", {"GLOBAL", "S01 MODE=Mervesk"},
       {{"C:\\e2e\\run\\SAP Orvanta.Gbl", "# GSNX: S01        Sensor=\"SAP Other\" Item=x\r\n"}},
       error_document("Error 1029: Invalid Sensor-Allocation...")},
      {"1030", {"GLOBAL", "s02 MODE=Mervesk"}, {{"C:\\e2e\\run\\SAP Orvanta.Gbl", kGlobal}},
       error_document("Error 1030: Global Sensor s02 MODE=Mervesk not found...")},
  };
  for (const Case& c : cases) expect_run(c);
}

// What locate prints: the search as `search` says, in the console's form,
// then one line of the library the sensor would load, the suite's stand-in.
void expect_located(const ProcessResult& located, const std::string& search) {
  const std::string shown = host().console_form(search);
  EXPECT_EQ(located.standard_output.substr(0, shown.size()), shown);
  const std::string library = behind_netweaver_bridge() ? "sapnwrfc.dll" : "librfc32.dll";
  const std::string library_line = located.standard_output.substr(std::min(shown.size(), located.standard_output.size()));
  EXPECT_EQ(library_line.rfind("RFC library: " + library + ", Quillar's stand-in for trials", 0), 0u) << library_line;
  EXPECT_EQ(std::count(library_line.begin(), library_line.end(), '\n'), 1) << library_line;
}

// Notepad saves C:\PRTG_Path.Txt as UTF-8 unless told otherwise. The
// folder's local name differs: the native build names it with the code page
// 1252 byte as it stands, wine keeps a Windows name in UTF-8 on the unix side.
TEST_F(SensorEndToEnd, OverrideFileSavedAsUtf8NamesItsFolder) {
  using Program = SensorHost::Program;
  const std::string kPrtg = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";
  const std::string folder = "C:\\e2e\\\xDC" "berwachung\\" + kPrtg;
  const std::string local_folder =
      std::string("C:\\e2e\\") + (host().under_wine() ? "\xC3\x9C" : "\xDC") + "berwachung\\" + kPrtg;
  const std::string utf8_line = "C:\\e2e\\\xC3\x9C" "berwachung\r\n";
  const Case cases[] = {
      {"without a byte order mark", {"PRD"},
       {{"C:\\PRTG_Path.Txt", "; Basis\r\n" + utf8_line}, {local_folder + "PRD.P00", kProfile}}, kLogonRefused},
      {"with a byte order mark", {"PRD"},
       {{"C:\\PRTG_Path.Txt", "\xEF\xBB\xBF" + utf8_line}, {local_folder + "PRD.P00", kProfile}}, kLogonRefused},
  };
  for (const Case& c : cases) expect_run(c);

  host().write_file("C:\\PRTG_Path.Txt", "\xEF\xBB\xBF" + utf8_line);
  host().write_file(local_folder + "PRD.P00", kProfile);
  ProcessResult located = host().run({"locate", "PRD"}, "C:\\e2e\\run", "", Program::kProfileTool);
  EXPECT_EQ(located.exit_code, 0);
  EXPECT_EQ(located.standard_error, "");
  expect_located(located,
                 "Profile: PRD.P00\nMode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
                 "C:\\PRTG_Path.Txt exists; its line \"C:\\e2e\\\xDC" "berwachung\" names the base folder.\n"
                 "C:\\PRTG_Path.Txt is saved as UTF-8, and read so: each line is converted to the ANSI code page, in "
                 "which Windows names folders.\n"
                 "Tried: " + folder + "PRD.P00\nTried: " + folder + "Custom Sensors\\ExeXml\\PRD.P00\n"
                 "Found in " + folder + ": the sensor reads it.\n");
}

TEST_F(SensorEndToEnd, ProfileToolWritesWhatTheSensorReads) {
  using Program = SensorHost::Program;
  ProcessResult created = host().run(
      {"create", "C:\\e2e\\run\\QAS.P00", "--destination", "QAS", "--client", "200", "--user", "monitor",
       "--language", "D", "--mode", "R/3", "--host", "sapqas", "--sysnr", "01", "--gwhost", "sapqas",
       "--gwservice", "sapgw01", "--extcompany", "ACME"},
      "C:\\e2e\\run", "pass word~1\n", Program::kProfileTool);
  EXPECT_EQ(created.standard_error, "");
  EXPECT_EQ(created.standard_output, host().console_form("wrote C:\\e2e\\run\\QAS.P00\n"));
  ASSERT_EQ(created.exit_code, 0);

  // The sensor below reads it in the same mode.
  ProcessResult checked = host().run({"check", "QAS.P00", "MODE=Mervesk"}, "C:\\e2e\\run", "", Program::kProfileTool);
  EXPECT_EQ(checked.exit_code, 0);
  EXPECT_EQ(checked.standard_output,
            host().console_form("Extcompany.: ACME\nDestination: QAS\nClient.....: 200\nUser.......: MONITOR\n"
                               "Password...: ********\nLanguage...: D\nMode.......: R/3\nHostname...: sapqas\n"
                               "Sysnr......: 01\nGwhost.....: sapqas\nGwservice..: sapgw01\n"));

  ProcessResult again = host().run({"create", "QAS.P00", "--user", "x"}, "C:\\e2e\\run", "", Program::kProfileTool);
  EXPECT_EQ(again.exit_code, 2);
  EXPECT_EQ(again.standard_error.rfind(host().console_form("quillar-profile: missing --client\n"), 0), 0u);
  EXPECT_NE(again.standard_error.find(host().console_form("quillar-profile: --user needs at least 2 characters\n")),
            std::string::npos);

  ProcessResult changed = host().run({"passwd", "QAS"}, "C:\\e2e\\run", "Secret#1\n", Program::kProfileTool);
  EXPECT_EQ(changed.standard_output, host().console_form("wrote C:\\e2e\\run\\QAS.P00\n"));
  ProcessResult located = host().run({"locate", "QAS", "MODE=Mervesk"}, "C:\\e2e\\run", "", Program::kProfileTool);
  EXPECT_EQ(located.exit_code, 0);
  expect_located(located,
                 "Profile: QAS.P00\nMode Mervesk: the profile is opened where the command line names it, "
                 "C:\\e2e\\run\\QAS.P00.\nFound: the sensor reads it.\n");

  ProcessResult sensor = host().run({"QAS", "MODE=Mervesk"}, "C:\\e2e\\run");
  EXPECT_EQ(sensor.standard_output, host().console_form(error_document("Error 1011: RFC-Open for QAS failed !")));
}

// check and explain as the built tool runs them, with the files where an
// installation has them: the profiles in an ExeXml folder that
// C:\PRTG_Path.Txt names, the tool started in another folder.
TEST_F(SensorEndToEnd, ProfileToolChecksAndExplainsWhatTheSensorReads) {
  using Program = SensorHost::Program;
  const std::string folder = "C:\\e2e\\ExeXml\\";
  const std::string good = "# GSNG: ALL         PRD.P00#\r\n"
                           "# GSNX: ALL        LAN=eth0 Sensor=\"SAP Quillar\" Item=In-Errors,Alias\r\n";
  const struct {
    const char* name;
    std::string global;
    std::vector<std::string> arguments;
    int exit_code;
    std::string output;
    std::string errors;
  } cases[] = {
      {"a global profile without fault", good, {"check", "GLOBAL", "all"}, 0,
       "Sensor ALL (line 2): item In-Errors, channels named by profile name without extension, options \"LAN=eth0 "
       "Sensor=\"SAP Quillar\" Item=In-Errors,Alias\", systems PRD.P00\n",
       ""},
      {"the typos of a global profile",
       "# GSNG: ALL        PRD.P00#\r\n# GSNG: ALL         PRD#QAS.P00#PRD.P00#\r\n"
       "# GSNX: ALL        LAN=eth0 DEADLINE=10 MODE=Mervesk Sensor=\"SAP Quillar\" Item=In-Packet/Sec\r\n"
       "# GSNG: LONE        PRD.P00#\r\n",
       {"check", "GLOBAL"}, 2,
       "Sensor ALL (line 3): item In-Packet/Sec, channels named by profile name, options \"LAN=eth0 DEADLINE=10 "
       "MODE=Mervesk Sensor=\"SAP Quillar\" Item=In-Packet/Sec\", systems RD.P00, PRD, QAS.P00, PRD.P00\n",
       "quillar-profile: line 1: the key or the names stand in the wrong column (the key in columns 9 to 18, the "
       "names from column 21); write instead: # GSNG: ALL         PRD.P00#\n"
       "quillar-profile: line 2: PRD does not exist, but PRD.P00 does; write PRD.P00#\n"
       "quillar-profile: line 2: QAS.P00 does not exist (C:\\e2e\\ExeXml\\QAS.P00), and the run counts it among "
       "the systems only; write the profile with quillar-profile create, or remove the name\n"
       "quillar-profile: line 3: the item \"In-Packet/Sec\" is none of the six channels, so no system reports a "
       "channel; write Item=In-Packets/Sec\n"
       "quillar-profile: line 3: MODE=Mervesk on the sensor line is not read, the output mode is the command "
       "line's: write it into the sensor's parameters in PRTG, after the sensor key\n"
       "quillar-profile: line 3: DEADLINE=10 is not read without its comma: write ,DEADLINE=10\n"
       "quillar-profile: line 4: the key LONE has server lines but no sensor line, and a sensor for it stops with "
       "Error 1030; add: # GSNX: LONE       Sensor=\"SAP Quillar\" Item=In-Errors\n"},
      {"parameters as typed into PRTG", good, {"explain", "GLOBAL \"ALL LAN=eth1\" x y"}, 2,
       "Arguments as the sensor gets them:\n  1: GLOBAL (the profile)\n  2: ALL LAN=eth1 (the options)\n"
       "  3: x (joined to the options with a blank)\n  4: y (not read, the sensor reads three arguments at most)\n"
       "Profile: SAP Orvanta.Gbl, the GLOBAL form for the sensor key ALL\nOptions: ALL LAN=eth1 x\n"
       "Not read: LAN=eth1 on the command line is not read in the GLOBAL form, whose run takes its options from "
       "the sensor line: write it on the sensor line\n"
       "Mode EXEXML: the profile is searched in PRTG's Custom Sensors\\ExeXml folder.\n"
       "C:\\PRTG_Path.Txt exists; its line \"C:\\e2e\\ExeXml\" names the base folder.\n"
       "Tried: C:\\e2e\\ExeXml\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\SAP Orvanta.Gbl\n"
       "Tried: C:\\e2e\\ExeXml\\Custom Sensors\\ExeXml\\SAP Orvanta.Gbl\n"
       "Tried: C:\\e2e\\ExeXml\\SAP Orvanta.Gbl\nFound in C:\\e2e\\ExeXml\\: the sensor reads it.\n"
       "Options of the run, from the sensor line of ALL: LAN=eth0 Sensor=\"SAP Quillar\" Item=In-Errors,Alias\n"
       "  LAN=eth0: only the rows of the interface eth0 count (in any letter case)\n"
       "Item: In-Errors\nSystems: PRD.P00\n",
       ""},
  };
  for (const auto& c : cases) {
    host().write_file("C:\\PRTG_Path.Txt", "C:\\e2e\\ExeXml\r\n");
    host().write_file(folder + "PRD.P00", kProfile);
    host().write_file(folder + "SAP Orvanta.Gbl", c.global);
    ProcessResult result = host().run(c.arguments, "C:\\e2e\\run", "", Program::kProfileTool);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.name;
    EXPECT_EQ(result.standard_output, host().console_form(c.output)) << c.name;
    EXPECT_EQ(result.standard_error, host().console_form(c.errors)) << c.name;
    host().clear_files();
  }
}

// The options of a sensor line as the built sensor and the built tool read
// them: whenever the sensor refuses them, check names the same error and
// exits with 2; whenever the sensor takes them, check never says it stops,
// and says nothing but what the run passes over.
TEST_F(SensorEndToEnd, CheckRefusesTheSensorLineOptionsTheSensorRefuses) {
  using Program = SensorHost::Program;
  const struct {
    std::string options;
    // The sensor's refusal; empty when it takes the options.
    std::string refusal;
    // What check says of options the sensor takes: the words the run passes
    // over.
    std::string passed_over = "";
  } cases[] = {
      {",DEADLINE=60,RUNTIME=30", "Error 1062: DEADLINE=60 is out of range, 1 to 30 seconds as RUNTIME=30 allows..."},
      {",DEADLINE=51", "Error 1062: DEADLINE=51 is out of range, 1 to 50 seconds as RUNTIME=50 allows..."},
      {",DEADLINE=1e3", "Error 1062: DEADLINE=1e3 is not a whole number..."},
      {",DEADLINE=0", "Error 1062: DEADLINE=0 is out of range, 1 to 600 seconds..."},
      {",PARALLEL=99", "Error 1062: PARALLEL=99 is out of range, 1 to 32 systems..."},
      {",PARALLEL=2,RUNTIME=901", "Error 1062: RUNTIME=901 is out of range, 1 to 900 seconds..."},
      {",DEADLINE=5,deadline=5", "Error 1062: DEADLINE= is given more than once, give it once..."},
      {",RUNTIME=30", "Error 1062: RUNTIME=30 bounds only a run with ,DEADLINE= or ,PARALLEL=, add one of them..."},
      // ":" is a blank to the run.
      {",PARALLEL=2:,parallel=3", "Error 1062: PARALLEL= is given more than once, give it once..."},
      {",DEADLINE=5", ""},
      {",PARALLEL=2,RUNTIME=60,DEADLINE=60", ""},
      {"LAN=eth0,FAILED", ""},
      // Nothing after " @" is read; the "@" is no trace there.
      {",DEADLINE=5 @ ,PARALLEL=99", "",
       "quillar-profile: line 2: the trace character \"@\" on the sensor line is not read, the console trace "
       "follows the command line: write it there, when running the sensor by hand only\n"},
  };
  for (const auto& c : cases) {
    host().write_file("C:\\PRTG_Path.Txt", "C:\\e2e\\ExeXml\r\n");
    host().write_file("C:\\e2e\\ExeXml\\PRD.P00", kProfile);
    host().write_file("C:\\e2e\\ExeXml\\SAP Orvanta.Gbl",
                      "# GSNG: ALL         PRD.P00#\r\n# GSNX: ALL        " + c.options +
                          " Sensor=\"SAP Quillar\" Item=In-Errors\r\n");
    ProcessResult run = host().run({"GLOBAL", "ALL"}, "C:\\e2e\\run");
    ProcessResult checked = host().run({"check", "GLOBAL", "ALL"}, "C:\\e2e\\run", "", Program::kProfileTool);
    if (c.refusal.empty()) {
      EXPECT_EQ(run.exit_code, 0) << c.options;
      EXPECT_EQ(run.standard_output.find("<Error>1</Error>"), std::string::npos) << c.options;
      EXPECT_EQ(checked.standard_error, host().console_form(c.passed_over)) << c.options;
      EXPECT_EQ(checked.exit_code, c.passed_over.empty() ? 0 : 2) << c.options;
    } else {
      EXPECT_EQ(run.standard_output, host().console_form(error_document(c.refusal))) << c.options;
      EXPECT_EQ(run.exit_code, 2) << c.options;
      EXPECT_EQ(checked.standard_error,
                host().console_form("quillar-profile: line 2: the sensor stops with \"" + c.refusal + "\"\n"))
          << c.options;
      EXPECT_EQ(checked.exit_code, 2) << c.options;
    }
    host().clear_files();
  }
}

// Notepad saves "PRD.P00" as "PRD.P00.txt": locate names the file and the
// rename, as the sensor on the drive sees it.
TEST_F(SensorEndToEnd, LocateNamesAProfileSavedWithAnExtensionAdded) {
  using Program = SensorHost::Program;
  host().write_file("C:\\PRTG_Path.Txt", "C:\\e2e\\ExeXml\r\n");
  host().write_file("C:\\e2e\\ExeXml\\PRD.P00.txt", kProfile);
  ProcessResult located = host().run({"locate", "PRD"}, "C:\\e2e\\run", "", Program::kProfileTool);
  EXPECT_EQ(located.exit_code, 2);
  EXPECT_NE(located.standard_output.find(
                "To do: the profile lies at C:\\e2e\\ExeXml\\PRD.P00.txt: Notepad added .txt to its name; rename it "
                "to PRD.P00 (Explorer shows it as PRD.P00 unless \"File name extensions\" is ticked in its View "
                "menu)."),
            std::string::npos)
      << located.standard_output;
  ProcessResult run = host().run({"PRD"}, "C:\\e2e\\run");
  EXPECT_EQ(run.standard_output, host().console_form(error_document("Error 1002: Profile PRD.P00 is missing...")));
}

// The profile is written beside itself and renamed over the old one.
TEST_F(SensorEndToEnd, ProfileToolReplacesAProfileWhole) {
  using Program = SensorHost::Program;
  host().write_file("C:\\e2e\\run\\QAS.P00", "User.......: old\r\nPassword...: x\r\n");
  ProcessResult forced = host().run(
      {"create", "QAS", "--force", "--destination", "QAS", "--client", "200", "--user", "monitor", "--language", "D",
       "--mode", "R/3", "--host", "sapqas", "--sysnr", "01", "--gwhost", "sapqas", "--gwservice", "sapgw01",
       "--extcompany", "ACME"},
      "C:\\e2e\\run", "Secret#1\n", Program::kProfileTool);
  EXPECT_EQ(forced.exit_code, 0) << forced.standard_error;
  ProcessResult changed = host().run({"passwd", "QAS"}, "C:\\e2e\\run", "Other#22\n", Program::kProfileTool);
  EXPECT_EQ(changed.exit_code, 0) << changed.standard_error;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(host().local_path("C:\\e2e\\run"))) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"QAS.P00"});
  ProcessResult checked =
      host().run({"check", "C:\\e2e\\run\\QAS", "@"}, "C:\\e2e\\run", "", Program::kProfileTool);
  EXPECT_EQ(checked.exit_code, 0) << checked.standard_error;
  EXPECT_NE(checked.standard_output.find("User.......: MONITOR"), std::string::npos);
}

// passwd keeps what guards the profile: its mode stays, whatever it was.
// It refuses, writing nothing, a profile with a second name, one that
// another passwd holds, and one edited after passwd read it.
TEST_F(SensorEndToEnd, PasswdKeepsWhatGuardsTheProfile) {
  using Program = SensorHost::Program;
  if (host().under_wine()) GTEST_SKIP() << "POSIX modes, hard links and flock";
  const std::string profile = "User.......: monitor\r\nPassword...: x\r\n";
  const std::string local = host().local_path("C:\\e2e\\run\\QAS.P00");
  auto names_in_run = [&] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(host().local_path("C:\\e2e\\run"))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  };
  for (const mode_t mode : {mode_t{0600}, mode_t{0444}, mode_t{0640}}) {
    host().write_file("C:\\e2e\\run\\QAS.P00", profile);
    ASSERT_EQ(::chmod(local.c_str(), mode), 0);
    struct stat before {};
    ASSERT_EQ(::stat(local.c_str(), &before), 0);
    ProcessResult changed = host().run({"passwd", "QAS"}, "C:\\e2e\\run", "Other#22\n", Program::kProfileTool);
    EXPECT_EQ(changed.exit_code, 0) << std::oct << mode << " " << changed.standard_error;
    struct stat after {};
    ASSERT_EQ(::stat(local.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, mode) << std::oct << mode;
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_NE(after.st_ino, before.st_ino) << "written beside and renamed";
    EXPECT_EQ(names_in_run(), std::vector<std::string>{"QAS.P00"});
    host().clear_files();
  }

  const std::string tool = shell_quoted(host().profile_tool_path());
  const struct {
    const char* name;
    // Run in the folder of QAS.P00; passwd is $tool.
    std::string script;
    std::string errors;
    std::string after;
    std::vector<std::string> names;
  } refusals[] = {
      {"a hard link", "ln QAS.P00 QAS.link && echo 'Other#22' | $tool passwd QAS",
       "quillar-profile: C:\\e2e\\run\\QAS.P00 has more than one name (a hard link), and a new file would leave "
       "the old password under the other names; nothing was written; remove the other names, or copy the file to a "
       "name of its own and name the copy\n",
       profile, {"QAS.P00", "QAS.link"}},
      {"create --force over a hard link",
       "ln QAS.P00 QAS.link && echo 'Other#22' | $tool create QAS --force --destination QAS --client 200 --user "
       "monitor --language D --mode R/3 --host sapqas --sysnr 01 --gwhost sapqas --gwservice sapgw01 --extcompany ACME",
       "quillar-profile: C:\\e2e\\run\\QAS.P00 has more than one name (a hard link), and a new file would leave "
       "the old password under the other names; nothing was written; remove the other names, or copy the file to a "
       "name of its own and name the copy\n",
       profile, {"QAS.P00", "QAS.link"}},
      {"held by another passwd",
       "flock QAS.P00 sleep 4 & sleep 0.5; echo 'Other#22' | $tool passwd QAS; status=$?; wait; exit $status",
       "quillar-profile: C:\\e2e\\run\\QAS.P00 is held by another program, such as another quillar-profile at "
       "work on it; nothing was written; run quillar-profile passwd again once it has let the file go\n",
       profile, {"QAS.P00"}},
      // The edit comes while passwd waits for the lock, after it has read
      // the file.
      {"edited while passwd was at work",
       "flock QAS.P00 sh -c 'sleep 1; printf \"; edited\\r\\n\" >> QAS.P00' & sleep 0.3; "
       "echo 'Other#22' | $tool passwd QAS; status=$?; wait; exit $status",
       "quillar-profile: C:\\e2e\\run\\QAS.P00 changed while quillar-profile was at work on it; nothing was "
       "written; run quillar-profile passwd again\n",
       profile + "; edited\r\n", {"QAS.P00"}},
  };
  for (const auto& c : refusals) {
    host().write_file("C:\\e2e\\run\\QAS.P00", profile);
    ProcessResult refused =
        host().run_program("/bin/sh", {"-c", "tool=" + tool + "; " + c.script}, "C:\\e2e\\run");
    EXPECT_EQ(refused.exit_code, 2) << c.name;
    EXPECT_EQ(refused.standard_error, c.errors) << c.name;
    EXPECT_EQ(read_local(local), c.after) << c.name;
    EXPECT_EQ(names_in_run(), c.names) << c.name;
    host().clear_files();
  }
}

// A FIFO in the place of the profile opens as no file on this platform, so
// it looked absent: create wrote a profile and renamed it over the FIFO.
// Whatever the command, it stays.
TEST_F(SensorEndToEnd, ProfileToolLeavesWhatIsNoPlainFileAlone) {
  using Program = SensorHost::Program;
  if (host().under_wine()) GTEST_SKIP() << "POSIX FIFOs";
  const std::vector<std::string> entries = {"--destination", "QAS", "--client", "200", "--user", "monitor",
                                            "--language", "D", "--mode", "R/3", "--host", "sapqas", "--sysnr", "01",
                                            "--gwhost", "sapqas", "--gwservice", "sapgw01", "--extcompany", "ACME"};
  std::vector<std::string> create = {"create", "QAS"};
  create.insert(create.end(), entries.begin(), entries.end());
  std::vector<std::string> forced = create;
  forced.push_back("--force");
  const std::string reason =
      "quillar-profile: C:\\e2e\\run\\QAS.P00 is no plain file but a link, a junction or a device; nothing was "
      "written; ";
  const struct {
    std::vector<std::string> command;
    std::string errors;
  } cases[] = {
      {create, reason + "remove or rename it first if it is really meant to be replaced\n"},
      {forced, reason + "remove or rename it first if it is really meant to be replaced\n"},
      {{"passwd", "QAS"}, reason + "name the profile file itself\n"},
  };
  for (const auto& c : cases) {
    host().write_file("C:\\e2e\\run\\keep", "");
    const std::string fifo = host().local_path("C:\\e2e\\run\\QAS.P00");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ProcessResult result = host().run(c.command, "C:\\e2e\\run", "Secret#1\n", Program::kProfileTool);
    EXPECT_EQ(result.exit_code, 2) << c.command[0];
    EXPECT_EQ(result.standard_error, c.errors) << c.command[0];
    struct stat info {};
    EXPECT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << c.command[0];
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(host().local_path("C:\\e2e\\run"))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"QAS.P00", "keep"})) << c.command[0];
    host().clear_files();
  }
}

// The tool's texts are bytes of the ANSI code page, "\xC4" for the "Ä" of a
// profile's name. A terminal that reads UTF-8 shows them converted, on
// standard output and standard error alike; a pipe, as PRTG reads the
// sensor, and a terminal of another character set get the bytes as they are.
TEST_F(SensorEndToEnd, TheConsoleShowsNamesInItsOwnCharacters) {
  using Program = SensorHost::Program;
  // Natively a name's bytes are the file's name; under wine the ANSI name is
  // converted to the UTF-8 name of the host.
  const std::string typed = host().under_wine() ? "PR\xC3\x84" : "PR\xC4";
  std::vector<std::string> create = {"create", typed, "--destination", "QAS", "--client", "200", "--user",
                                     "monitor", "--language", "D", "--mode", "R/3", "--host", "sapqas",
                                     "--sysnr", "01", "--gwhost", "sapqas", "--gwservice", "sapgw01",
                                     "--extcompany", "ACME"};
  const std::string kAnsi = "\xC4";
  const std::string kUtf8 = "\xC3\x84";
  const struct {
    const char* name;
    bool terminal;
    const char* locale;
    std::string letter;
    std::string never;
  } cases[] = {
      {"a pipe", false, "", kAnsi, kUtf8},
      {"a terminal that reads UTF-8", true, "C.UTF-8", kUtf8, kAnsi},
      {"a terminal of the C locale", true, "C", kAnsi, kUtf8},
  };
  for (const auto& c : cases) {
    // Wine's console shows what it cannot convert in its own way.
    if (host().under_wine() && c.terminal && std::string(c.locale) == "C") continue;
    auto run = [&] {
      if (!c.terminal) return host().run(create, "C:\\e2e\\run", "Secret#1\n", Program::kProfileTool);
      return host().run_on_terminal(create, "C:\\e2e\\run", "Secret#1\n", Program::kProfileTool, c.locale);
    };
    const std::string path = "C:\\e2e\\run\\PR" + c.letter + ".P00";
    const ProcessResult written = run();
    EXPECT_EQ(written.exit_code, 0) << c.name;
    EXPECT_NE(written.standard_output.find("wrote " + path), std::string::npos) << c.name << ": "
                                                                                  << written.standard_output;
    // A second create refuses, on standard error, to replace the profile.
    const ProcessResult refused = run();
    const std::string& errors = c.terminal ? refused.standard_output : refused.standard_error;
    EXPECT_EQ(refused.exit_code, 2) << c.name;
    EXPECT_NE(errors.find("quillar-profile: " + path), std::string::npos) << c.name << ": " << errors;
    for (const std::string* output : {&written.standard_output, &errors}) {
      EXPECT_EQ(output->find(c.never), std::string::npos) << c.name << ": " << *output;
    }
    host().clear_files();
  }
}

// Both answer at once, whatever the folder holds.
TEST_F(SensorEndToEnd, VersionAndHelpAnswerWithoutAProfile) {
  ProcessResult version = host().run({"--version"}, "C:\\e2e\\run");
  EXPECT_EQ(version.exit_code, 0);
  // Exactly one line, "quillar VERSION", as scripts read it.
  const std::string& version_line = version.standard_output;
  EXPECT_EQ(version_line.rfind("quillar ", 0), 0u) << version_line;
  EXPECT_GT(version_line.size(), host().console_form("quillar \n").size()) << version_line;
  EXPECT_EQ(version_line.find('\n'), version_line.size() - 1) << version_line;
  EXPECT_EQ(version_line.substr(version_line.size() - host().console_form("\n").size()), host().console_form("\n"))
      << version_line;
  // The whole help, byte for byte: it is made from the table of option
  // keywords and from kModes, and this is where a change to its words shows.
  ProcessResult help = host().run({"--help"}, "C:\\e2e\\run");
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_EQ(help.standard_output, host().console_form(expected_output("help")));
}

TEST_F(SensorEndToEnd, SyslogAppendsToTheLogInTheWorkingDirectory) {
  host().write_file("C:\\e2e\\run\\quillar.log", "earlier line\n");
  ProcessResult result = host().run({"PRD", "MODE=Mervesk,SysLog"}, "C:\\e2e\\run");
  EXPECT_EQ(result.exit_code, 2);
  EXPECT_TRUE(std::filesystem::exists(host().local_path("C:\\e2e\\run\\quillar.log")));
  EXPECT_FALSE(std::filesystem::exists(host().local_path("C:\\e2e\\run\\Quillar.log")));
}

}  // namespace
}  // namespace quillar::e2e
