#include "tool/profile_tool.h"

#include <algorithm>
#include <iterator>

#include "driver/version.h"
#include "tool/logon_test.h"
#include "tool/parameter_explanation.h"
#include "tool/profile_check.h"
#include "tool/profile_search.h"
#include "tool/profile_writing.h"
#include "tool/tool_output.h"

namespace quillar {
namespace {

constexpr char kUsage[] =
    "usage: quillar-profile create FILE --destination DEST --client CLIENT --user USER\n"
    "                              --language LANG --mode MODE --host HOST --sysnr SYSNR\n"
    "                              --gwhost GWHOST --gwservice GWSERVICE --extcompany COMPANY\n"
    "                              [--force]\n"
    "       quillar-profile passwd FILE\n"
    "       quillar-profile check NAME [OPTIONS [MORE-OPTIONS]]\n"
    "       quillar-profile check GLOBAL [KEY]\n"
    "       quillar-profile locate NAME [OPTIONS [MORE-OPTIONS]]\n"
    "       quillar-profile test NAME [OPTIONS [MORE-OPTIONS]]\n"
    "       quillar-profile explain \"PARAMETERS\"\n"
    "       quillar-profile scramble\n"
    "       quillar-profile --version\n"
    "\n"
    "create    writes a system profile; FILE and the options may come in any order,\n"
    "          and a FILE without an extension gets \".P00\", as the sensor reads it.\n"
    "          A FILE name with a blank at an end, also before the extension, is\n"
    "          refused: PRTG's parameters field could never name it. The password\n"
    "          is read from standard input (asked for twice without echo on a\n"
    "          terminal), never from the command line. An existing FILE is\n"
    "          replaced only with --force, and only when the sensor reads it as a\n"
    "          profile (see passwd).\n"
    "passwd    replaces the password of an existing profile; every other line stays.\n"
    "          A file that the sensor cannot read as a profile is left as it is:\n"
    "          saved as UTF-16, empty or without a labelled line, no plain file.\n"
    "check     finds the profile as the sensor, started here with these arguments,\n"
    "          finds it (in the PRTG mode a folder typed with the name is not read),\n"
    "          reads it with the sensor's reader and prints its entries, the\n"
    "          password masked; or the sensor's error text, the line at fault and\n"
    "          where the profile must go. A value that the logon sends with a blank\n"
    "          at an end is a fault. Warns of a byte order mark, UTF-16, tabs and\n"
    "          other trailing blanks. For a global profile (GLOBAL, SAP Orvanta.Gbl,\n"
    "          Orvanta.Prf), of the sensor KEY or of every key: each name, column,\n"
    "          key, item and option the run would not read as meant, with the line\n"
    "          and what to write instead. Exits with 0 only when nothing is wrong.\n"
    "locate    shows how the sensor, started here with these arguments, would find\n"
    "          the profile NAME: C:\\PRTG_Path.Txt and each of its lines in quotes\n"
    "          or with blanks at an end, each path tried, the outcome, and where\n"
    "          the profile must go; then the RFC library it would load and where\n"
    "          Windows found it.\n"
    "test      logs on as the sensor, started here with these arguments, would:\n"
    "          the same profile, destination file, ,HOST= and ,NO=. Calls\n"
    "          GET_LAN_SINGLE once and shows every interface with its counters,\n"
    "          which rows LAN= selects and whether the item names a channel; a\n"
    "          failed logon or call shows the RFC library's reason and the new\n"
    "          lines of Dev_Rfc.Trc; what check finds in the profile is told\n"
    "          as well. Waits as the sensor with these options would, and\n"
    "          without ,DEADLINE= or ,PARALLEL= up to PRTG's default timeout of\n"
    "          60 seconds. Exits with 0 only when the sensor would report real\n"
    "          values, 1 with a line on what to fix otherwise. Run it first\n"
    "          when a sensor shows zeros or Error 1011.\n"
    "explain   takes the parameters as typed into PRTG and shows how the sensor\n"
    "          reads them: the arguments, the profile and where it is looked for,\n"
    "          the mode, each option, and what the sensor passes over.\n"
    "scramble  reads a password from standard input and prints the value for the\n"
    "          \"Password...:\" line of a profile.\n"
    "\n"
    "Client: 3 digits. System number: 2 digits. Language: 1 or 2 letters. Mode: R/3,\n"
    "or R/2 for a logon through a gateway. No value begins or ends with a blank.\n"
    "Passwords hold 2 to 20 printable ASCII characters.\n";

bool asks_for_help(const std::vector<std::string>& arguments) {
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") return true;
  }
  return false;
}

}  // namespace

int run_profile_tool(Platform& system, const std::vector<std::string>& arguments) {
  WriteThroughConsole platform(system);
  if (arguments.empty()) {
    platform.write_error_console(kUsage);
    return kToolRefused;
  }
  const std::string& command = arguments[0];
  if (command == "--version") {
    platform.write_console(std::string("quillar-profile ") + build_version() + "\n");
    return kToolDone;
  }
  if (command == "help" || asks_for_help(arguments)) {
    platform.write_console(kUsage);
    return kToolDone;
  }
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  if (command == "scramble" && rest.empty()) return print_scrambled_password(platform);
  if (command == "check" && !rest.empty()) return check_profile(platform, rest);
  if (command == "passwd" && rest.size() == 1) return change_password(platform, rest[0]);
  if (command == "locate" && !rest.empty()) return locate_profile_for(platform, rest);
  if (command == "test" && !rest.empty()) return test_logon(platform, rest);
  if (command == "explain" && rest.size() == 1) return explain_parameters(platform, rest[0]);
  if (command == "create" && !rest.empty()) return create_profile(platform, rest);
  static const char* const kCommands[] = {"create", "passwd", "check", "locate", "test", "explain", "scramble"};
  if (std::find(std::begin(kCommands), std::end(kCommands), command) == std::end(kCommands)) {
    platform.write_error_console("quillar-profile: unknown command " + command + "\n");
  }
  platform.write_error_console(kUsage);
  return kToolRefused;
}

}  // namespace quillar
