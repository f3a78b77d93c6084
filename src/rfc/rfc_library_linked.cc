// The build that links the classic RFC library into the program (the POSIX
// build, with the stand-in).
#include "rfc/rfc_entry_points.h"

namespace quillar {

Status open_rfc_library(Platform&, RfcLibrary& library) {
  if (library.is_open()) return Status::Ok();
  RfcEntryPoints& entry = library.entry_points;
  entry.RfcEnvironment = &::RfcEnvironment;
  entry.RfcOpen = &::RfcOpen;
  entry.RfcOpenEx = &::RfcOpenEx;
  entry.RfcClose = &::RfcClose;
  entry.RfcLastError = &::RfcLastError;
  entry.RfcInstallStructure = &::RfcInstallStructure;
  entry.RfcCall = &::RfcCall;
  entry.RfcReceive = &::RfcReceive;
  entry.ItCreate = &::ItCreate;
  entry.ItFill = &::ItFill;
  entry.ItGetLine = &::ItGetLine;
  entry.ItDelete = &::ItDelete;
  library.stand_in = true;
  return Status::Ok();
}

}  // namespace quillar
