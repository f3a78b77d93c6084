// The single-system run: one system, one document.
#ifndef QUILLAR_DRIVER_SINGLE_RUN_H_
#define QUILLAR_DRIVER_SINGLE_RUN_H_

#include "base/status.h"
#include "driver/processing_run.h"
#include "driver/run_outcome.h"
#include "profiles/system_profile.h"

namespace quillar {

// Reads the system profile of a single-system run from the stream that
// start-up opened.
Status read_single_profile(Invocation& invocation, LogonEntries& entries);

// The single-system run over the entries read: it prints its document, or
// fails with the logon's, the call's or the library's fault. The RFC error
// report ends the process on its own.
RunOutcome run_single_system(Invocation& invocation, const LogonEntries& entries);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_SINGLE_RUN_H_
