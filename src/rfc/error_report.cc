#include "rfc/error_report.h"

#include <cstdio>
#include <cstdlib>

#include "base/status.h"
#include "output/diagnostics.h"

namespace quillar {
namespace {

const ErrorReportTarget* report_target = nullptr;

}  // namespace

ErrorReportTarget::~ErrorReportTarget() {
  if (report_target == this) report_target = nullptr;
}

void set_error_report_target(const ErrorReportTarget& target) { report_target = &target; }

RFC_ENV error_report_environment() {
  RFC_ENV environment{};
  environment.errorhandler = rfc_error_report;
  environment.allocate = nullptr;
  return environment;
}

extern "C" void RFC_ENTRY rfc_error_report(char* operation) {
  // Called from inside the library: nothing may be thrown back into it.
  try {
    if (report_target != nullptr) {
      Platform& console = report_target->console;
      const RfcEntryPoints& rfc = report_target->rfc;
      console.write_console("RFC error\n");
      print_labelled_line(console, "operation/code", operation != nullptr ? operation : "");
      RFC_ERROR_INFO error{};
      rfc.RfcLastError(&error);
      error.key[sizeof error.key - 1] = '\0';
      error.status[sizeof error.status - 1] = '\0';
      error.message[sizeof error.message - 1] = '\0';
      error.intstat[sizeof error.intstat - 1] = '\0';
      print_labelled_line(console, "key", error.key);
      print_labelled_line(console, "status", error.status);
      print_labelled_line(console, "message", error.message);
      print_labelled_line(console, "internal status", error.intstat);
      console.write_console("\n");
      rfc.RfcClose(0);
      console.write_console("* Programm aborted...\n");
    }
  } catch (...) {
  }
  // The output ends here, also when the report could not be printed whole.
  try {
    if (report_target != nullptr) report_target->console.finish_output(kExitRfcAborted);
  } catch (...) {
  }
  std::fflush(stdout);
  std::exit(kExitRfcAborted);
}

}  // namespace quillar
