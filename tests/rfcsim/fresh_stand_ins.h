// Both RFC stand-ins as a new process finds them, for the lifetime of a test.
#ifndef QUILLAR_TESTS_RFCSIM_FRESH_STAND_INS_H_
#define QUILLAR_TESTS_RFCSIM_FRESH_STAND_INS_H_

#include "rfcsim_control.h"

namespace quillar {

// The stand-ins keep process-wide state: what they saw, their connections
// and handles, the installed structures, the error handler and the landscape
// last read. It is forgotten when a test starts and again when it ends, so
// that no test sees what another left. Anything that holds a stand-in's
// handle must end before this does.
class FreshStandIns {
 public:
  FreshStandIns() { forget(); }
  ~FreshStandIns() { forget(); }
  FreshStandIns(const FreshStandIns&) = delete;
  FreshStandIns& operator=(const FreshStandIns&) = delete;

  // Forgets now, as when the landscape file is written anew in the middle
  // of a test.
  static void forget() {
    rfcsim::reset();
    rfcsim::nw_reset();
  }
};

}  // namespace quillar

#endif  // QUILLAR_TESTS_RFCSIM_FRESH_STAND_INS_H_
