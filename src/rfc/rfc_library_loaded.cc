// The build that loads the RFC library at run time (Windows).
#include "rfc/rfc_entry_points.h"

namespace quillar {

Status open_rfc_library(Platform& platform, RfcLibrary& library) {
  if (library.is_open()) return Status::Ok();
  return load_rfc_library(platform, library);
}

}  // namespace quillar
