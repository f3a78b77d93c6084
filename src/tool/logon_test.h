// quillar-profile test: logs on as the sensor would and shows what the SAP
// system answers, for an administrator whose sensor shows zeros or Error
// 1011.
#ifndef QUILLAR_TOOL_LOGON_TEST_H_
#define QUILLAR_TOOL_LOGON_TEST_H_

#include <string>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// Finds the profile as the sensor started here with `arguments` (name,
// options, more options) would, logs on the same way, calls GET_LAN_SINGLE
// once and prints every interface the host reports, which rows LAN= selects
// and, for a global run, whether the item names a channel; a global run's
// systems are tried one after the other. A failed logon or call shows the
// RFC library's own reason and what it added to its trace file, which stays
// where it is. What quillar-profile check finds in a system profile counts
// as a fault of the test; a refusal by the stand-in library that finds no
// systems, and a working copy of a destination file that cannot be written,
// are told as such, not as faults of the profile. Each system is bounded as the sensor with these options is
// bounded (its deadline, within what is left of the run's bound), or, where
// they leave the sensor unbounded, by PRTG's default timeout of 60 seconds
// for the whole test; the bound is shown before the logon, and a system that
// does not answer within it is given up. Every line is written out as it is
// known. A library that does not load is named with the folder that
// Windows found it in, before the sensor's error. Never prints a password.
//
// Gives kToolDone only when the sensor would report real values, otherwise
// kToolFoundFault with one line per fault on standard error that says what
// to fix (beside what the sensor's own steps tell there, a file they cannot
// write), or kToolRefused when the sensor would stop before it logs on, or
// the trace file of the working directory, where the library works in every
// test, is no plain file of its own (its error text is the one line then).
int test_logon(Platform& platform, const std::vector<std::string>& arguments);

}  // namespace quillar

#endif  // QUILLAR_TOOL_LOGON_TEST_H_
