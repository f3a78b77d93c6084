// The functions of a NetWeaver SDK linked into the program: on POSIX, the
// stand-in. Only programs that link the stand-in use this.
#include "rfc/nwrfc_bridge.h"

namespace quillar {

const NwRfcEntryPoints& linked_nwrfc_entry_points() {
  static const NwRfcEntryPoints sdk{
      &nwrfc::RfcOpenConnection, &nwrfc::RfcCloseConnection, &nwrfc::RfcGetFunctionDesc,
      &nwrfc::RfcCreateFunction, &nwrfc::RfcDestroyFunction, &nwrfc::RfcSetChars,
      &nwrfc::RfcSetInt,         &nwrfc::RfcInvoke,          &nwrfc::RfcGetTable,
      &nwrfc::RfcGetRowCount,    &nwrfc::RfcMoveTo,          &nwrfc::RfcGetInt,
      &nwrfc::RfcGetInt2,        &nwrfc::RfcGetChars,        &nwrfc::RfcGetVersion};
  return sdk;
}

}  // namespace quillar
