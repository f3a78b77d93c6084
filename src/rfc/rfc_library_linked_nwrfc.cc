// The build that links the NetWeaver RFC SDK into the program and reaches it
// through the bridge (the POSIX build, with the NetWeaver stand-in).
#include "rfc/nwrfc_bridge.h"
#include "rfc/rfc_entry_points.h"

namespace quillar {

Status open_rfc_library(Platform& platform, RfcLibrary& library) {
  if (library.is_open()) return Status::Ok();
  open_bridge(platform, linked_nwrfc_entry_points(), library);
  library.stand_in = true;
  return Status::Ok();
}

}  // namespace quillar
