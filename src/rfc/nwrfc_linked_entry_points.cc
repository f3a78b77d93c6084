// The functions of a NetWeaver SDK linked into the program: on POSIX, the
// stand-in. Only programs that link the stand-in use this.
#include "rfc/nwrfc_bridge.h"

namespace quillar {

const NwRfcEntryPoints& linked_nwrfc_entry_points() {
  static const NwRfcEntryPoints sdk{
      .RfcOpenConnection = &nwrfc::RfcOpenConnection,
      .RfcCloseConnection = &nwrfc::RfcCloseConnection,
      .RfcGetFunctionDesc = &nwrfc::RfcGetFunctionDesc,
      .RfcGetParameterDescByName = &nwrfc::RfcGetParameterDescByName,
      .RfcCreateFunction = &nwrfc::RfcCreateFunction,
      .RfcDestroyFunction = &nwrfc::RfcDestroyFunction,
      .RfcDescribeType = &nwrfc::RfcDescribeType,
      .RfcGetFieldDescByName = &nwrfc::RfcGetFieldDescByName,
      .RfcSetChars = &nwrfc::RfcSetChars,
      .RfcSetInt = &nwrfc::RfcSetInt,
      .RfcSetInt1 = &nwrfc::RfcSetInt1,
      .RfcSetInt2 = &nwrfc::RfcSetInt2,
      .RfcSetInt8 = &nwrfc::RfcSetInt8,
      .RfcInvoke = &nwrfc::RfcInvoke,
      .RfcGetTable = &nwrfc::RfcGetTable,
      .RfcGetRowCount = &nwrfc::RfcGetRowCount,
      .RfcMoveTo = &nwrfc::RfcMoveTo,
      .RfcGetInt = &nwrfc::RfcGetInt,
      .RfcGetInt8 = &nwrfc::RfcGetInt8,
      .RfcGetStringLength = &nwrfc::RfcGetStringLength,
      .RfcGetChars = &nwrfc::RfcGetChars,
      .RfcGetVersion = &nwrfc::RfcGetVersion};
  return sdk;
}

}  // namespace quillar
