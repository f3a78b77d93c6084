// The NetWeaver RFC SDK as the bridge finds it: its functions, looked up by
// name, the ICU libraries it cannot start without, and what its return codes
// and error groups are called and mean for the classic caller.
#ifndef QUILLAR_RFC_NWRFC_SDK_H_
#define QUILLAR_RFC_NWRFC_SDK_H_

#include <string>

#include "base/status.h"
#include "platform/platform.h"
#include "rfc/rfc_library.h"
#include "rfc/sapnwrfc.h"

namespace quillar {

// The functions of the SDK that the bridge calls.
struct NwRfcEntryPoints {
  decltype(&nwrfc::RfcOpenConnection) RfcOpenConnection = nullptr;
  decltype(&nwrfc::RfcCloseConnection) RfcCloseConnection = nullptr;
  decltype(&nwrfc::RfcGetFunctionDesc) RfcGetFunctionDesc = nullptr;
  decltype(&nwrfc::RfcGetParameterDescByName) RfcGetParameterDescByName = nullptr;
  decltype(&nwrfc::RfcCreateFunction) RfcCreateFunction = nullptr;
  decltype(&nwrfc::RfcDestroyFunction) RfcDestroyFunction = nullptr;
  decltype(&nwrfc::RfcDescribeType) RfcDescribeType = nullptr;
  decltype(&nwrfc::RfcGetFieldDescByName) RfcGetFieldDescByName = nullptr;
  decltype(&nwrfc::RfcSetChars) RfcSetChars = nullptr;
  decltype(&nwrfc::RfcSetInt) RfcSetInt = nullptr;
  decltype(&nwrfc::RfcSetInt1) RfcSetInt1 = nullptr;
  decltype(&nwrfc::RfcSetInt2) RfcSetInt2 = nullptr;
  decltype(&nwrfc::RfcSetInt8) RfcSetInt8 = nullptr;  // none before release 7.50
  decltype(&nwrfc::RfcInvoke) RfcInvoke = nullptr;
  decltype(&nwrfc::RfcGetTable) RfcGetTable = nullptr;
  decltype(&nwrfc::RfcGetRowCount) RfcGetRowCount = nullptr;
  decltype(&nwrfc::RfcMoveTo) RfcMoveTo = nullptr;
  decltype(&nwrfc::RfcGetInt) RfcGetInt = nullptr;
  decltype(&nwrfc::RfcGetInt8) RfcGetInt8 = nullptr;  // none before release 7.50
  decltype(&nwrfc::RfcGetStringLength) RfcGetStringLength = nullptr;
  decltype(&nwrfc::RfcGetChars) RfcGetChars = nullptr;
  decltype(&nwrfc::RfcGetVersion) RfcGetVersion = nullptr;
};

// Calls visit(name, entry point, required) for each function of the table,
// by its exported name; the functions that are not required only serve
// fields of types that the SDKs without them do not know.
template <typename Table, typename Visit>
void visit_nwrfc_entry_points(Table& sdk, Visit&& visit) {
  visit("RfcOpenConnection", sdk.RfcOpenConnection, true);
  visit("RfcCloseConnection", sdk.RfcCloseConnection, true);
  visit("RfcGetFunctionDesc", sdk.RfcGetFunctionDesc, true);
  visit("RfcGetParameterDescByName", sdk.RfcGetParameterDescByName, true);
  visit("RfcCreateFunction", sdk.RfcCreateFunction, true);
  visit("RfcDestroyFunction", sdk.RfcDestroyFunction, true);
  visit("RfcDescribeType", sdk.RfcDescribeType, true);
  visit("RfcGetFieldDescByName", sdk.RfcGetFieldDescByName, true);
  visit("RfcSetChars", sdk.RfcSetChars, true);
  visit("RfcSetInt", sdk.RfcSetInt, true);
  visit("RfcSetInt1", sdk.RfcSetInt1, true);
  visit("RfcSetInt2", sdk.RfcSetInt2, true);
  visit("RfcSetInt8", sdk.RfcSetInt8, false);
  visit("RfcInvoke", sdk.RfcInvoke, true);
  visit("RfcGetTable", sdk.RfcGetTable, true);
  visit("RfcGetRowCount", sdk.RfcGetRowCount, true);
  visit("RfcMoveTo", sdk.RfcMoveTo, true);
  visit("RfcGetInt", sdk.RfcGetInt, true);
  visit("RfcGetInt8", sdk.RfcGetInt8, false);
  visit("RfcGetStringLength", sdk.RfcGetStringLength, true);
  visit("RfcGetChars", sdk.RfcGetChars, true);
  visit("RfcGetVersion", sdk.RfcGetVersion, true);
}

// The functions of an SDK linked into the program (POSIX builds that link
// the NetWeaver stand-in).
const NwRfcEntryPoints& linked_nwrfc_entry_points();

// The SDK's libsapucum.dll loads its ICU libraries (icuuc, icuin and icudt,
// each with its version in its name: icuuc50.dll) by plain name at the
// first logon; when one is missing it shows a message box, which nobody on
// a probe ever closes. Before that logon, Error 1056 names the first one
// that no folder of the loader's search holds, and the folder that
// sapnwrfc.dll was loaded from. Fine where the platform names no such
// folder: a build that links its SDK.
Status check_icu_libraries(Platform& platform);

// Resolves every function of the SDK by its plain name. Gives the name of the
// first required one missing, or an empty string when all are there.
std::string resolve_nwrfc_entry_points(SharedLibrary& module, NwRfcEntryPoints& entry_points);

// What RfcReceive gives for the result of RfcInvoke: the classic return code
// and, for an exception, its name.
struct ClassicResult {
  RFC_RC code;
  std::string exception;
};
ClassicResult classic_result(nwrfc::RFC_RC code, const std::string& key);

// Whether a connection counts as closed after RfcInvoke gave this code and
// error group. The SDK documents that it closes the connection itself after
// RFC_ABAP_MESSAGE, RFC_ABAP_RUNTIME_FAILURE, RFC_COMMUNICATION_FAILURE and
// RFC_CLOSED; the bindings that wrap it take a connection as lost after
// RFC_EXTERNAL_FAILURE, the codes 30 to 33 and every result of the groups
// ABAP_RUNTIME_FAILURE, LOGON_FAILURE, COMMUNICATION_FAILURE and
// EXTERNAL_RUNTIME_FAILURE too, and so does the bridge: asking on a
// connection that the SDK has closed is what must never happen.
bool closes_connection(nwrfc::RFC_RC code, nwrfc::RFC_ERROR_GROUP group);

// The published names of the SDK's codes and error groups; a number that has
// none reads "RFC_RC 41" or "RFC_ERROR_GROUP 12".
std::string rc_name(nwrfc::RFC_RC code);
std::string group_name(nwrfc::RFC_ERROR_GROUP group);

}  // namespace quillar

#endif  // QUILLAR_RFC_NWRFC_SDK_H_
