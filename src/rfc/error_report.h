// The RFC error report: what the sensor prints when the RFC library, or an
// internal-table operation, fails beyond recovery. It ends the process.
#ifndef QUILLAR_RFC_ERROR_REPORT_H_
#define QUILLAR_RFC_ERROR_REPORT_H_

#include "platform/platform.h"
#include "rfc/rfc_entry_points.h"
#include "rfc/rfc_library.h"

namespace quillar {

// What the report needs: the console it prints on and the library it asks
// for the last error. When a target ends, the report no longer serves it.
struct ErrorReportTarget {
  ~ErrorReportTarget();
  Platform& console;
  const RfcEntryPoints& rfc;
};

// Makes `target` the one the report serves; it must outlive every RFC call.
// The library calls the report without any context, so this is the one
// process-wide pointer of the sensor; it is set before RfcEnvironment
// installs the report. Without a target the report prints nothing and only
// ends the process.
void set_error_report_target(const ErrorReportTarget& target);

// The environment record that installs the report as the library's error
// handler (allocator: the library's own).
RFC_ENV error_report_environment();

// Prints the library's last error under "RFC error", closes every connection
// and ends the process with exit code 1. `operation` names what failed.
extern "C" void RFC_ENTRY rfc_error_report(char* operation);

}  // namespace quillar

#endif  // QUILLAR_RFC_ERROR_REPORT_H_
