// The build that links the RFC library into the program (the POSIX build,
// with the stand-in).
#include "rfc/rfc_entry_points.h"

namespace quillar {

Status open_rfc_library(Platform&, RfcLibrary& library) {
  library.entry_points = RfcEntryPoints{&::RfcEnvironment, &::RfcOpen,   &::RfcOpenEx,           &::RfcClose,
                                        &::RfcLastError,   &::RfcInstallStructure, &::RfcCall, &::RfcReceive,
                                        &::ItCreate,       &::ItFill,    &::ItGetLine,           &::ItDelete};
  return Status::Ok();
}

}  // namespace quillar
