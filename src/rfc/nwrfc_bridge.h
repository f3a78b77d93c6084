// The bridge: the classic RFC library's operations, as the sensor calls them,
// served by the SAP NetWeaver RFC SDK. It keeps what the classic library
// keeps and the SDK does not: small connection handles, the installed
// structures, the internal tables with their rows, and the last error.
#ifndef QUILLAR_RFC_NWRFC_BRIDGE_H_
#define QUILLAR_RFC_NWRFC_BRIDGE_H_

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/status.h"
#include "platform/platform.h"
#include "rfc/rfc_entry_points.h"
#include "rfc/rfc_library.h"
#include "rfc/sap_characters.h"
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

// Serves the classic entry points of `library` through a bridge to the
// NetWeaver SDK whose functions `sdk` holds.
void open_bridge(Platform& platform, const NwRfcEntryPoints& sdk, RfcLibrary& library);

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

class NwRfcBridge {
 public:
  // `platform` reads "SapRfc.ini" and writes "Dev_Rfc.Trc" in the working
  // directory.
  NwRfcBridge(Platform& platform, const NwRfcEntryPoints& sdk);
  ~NwRfcBridge();
  NwRfcBridge(const NwRfcBridge&) = delete;
  NwRfcBridge& operator=(const NwRfcBridge&) = delete;

  // The classic operations, bound to this bridge.
  RfcEntryPoints entry_points();

  void environment(RFC_ENV* environment);
  RFC_HANDLE open(RFC_OPTIONS* options);
  RFC_HANDLE open_ex(const char* connect_parameters, RFC_ERROR_INFO_EX* error_info);
  void close(RFC_HANDLE handle);
  int last_error(RFC_ERROR_INFO* error_info);
  RFC_RC install_structure(const char* name, RFC_TYPE_ELEMENT* elements, unsigned entries,
                           RFC_TYPEHANDLE* type_handle);
  RFC_RC call(RFC_HANDLE handle, const char* function, RFC_PARAMETER* parameters, RFC_TABLE* tables);
  RFC_RC receive(RFC_HANDLE handle, RFC_PARAMETER* parameters, RFC_TABLE* tables, char** exception);
  ITAB_H it_create(const char* name, unsigned leng, unsigned occu, unsigned memo);
  unsigned it_fill(ITAB_H table);
  void* it_get_line(ITAB_H table, unsigned line);
  int it_delete(ITAB_H table);

  // How many connections are open.
  std::size_t open_connections() const { return connections_.size(); }

 private:
  struct Field {
    std::string name;
    unsigned type, length, offset;
  };
  struct Structure {
    std::vector<Field> fields;
    unsigned size = 0;
  };
  struct Connection {
    nwrfc::RFC_CONNECTION_HANDLE sdk = nullptr;
    nwrfc::RFC_FUNCTION_DESC_HANDLE description = nullptr;
    nwrfc::RFC_FUNCTION_HANDLE function = nullptr;
    // The SDK has closed the connection, or may have: nothing more is asked
    // of it, closing it included.
    bool closed_by_sdk = false;
  };
  // A field or parameter as the SDK's dictionary describes it: its type and
  // its length, in characters for the character types, in bytes otherwise.
  struct SdkField {
    nwrfc::RFCTYPE type;
    unsigned length;
  };
  // A value as the SDK gives it or takes it: characters or a whole number.
  struct SdkValue {
    bool is_number = false;
    std::string text;
    long long number = 0;
    // The text of a number, which no cut may shorten.
    bool exact = false;
  };
  struct Table {
    unsigned line_length = 0;
    std::vector<std::vector<char>> rows;
  };
  struct LastError {
    std::string key, status, message, intstat;
  };

  RFC_HANDLE connect(const std::vector<std::pair<std::string, std::string>>& parameters, const char* operation);
  void destroy_function(Connection& connection);
  // Records the SDK's error for RfcLastError and the trace file; gives true
  // when the error is one on which the classic library would have ended the
  // program, after calling the error handler with `operation`.
  bool take_error(const nwrfc::RFC_ERROR_INFO& error, const char* operation);
  void take_own_error(const std::string& key, const std::string& message);
  // The connection of `handle` when the SDK may still be asked on it;
  // otherwise records why not.
  Connection* usable_connection(RFC_HANDLE handle);
  void append_trace_block(const std::string& message);
  // Records a field that could not be read or set, named as the message
  // shows it ("TF_LAN_SINGLE-IN_PACKETS"), with the SDK's code.
  void take_field_error(const std::string& field, nwrfc::RFC_RC code, nwrfc::RFC_ERROR_GROUP group);
  bool set_importing(Connection& connection, RFC_PARAMETER* parameters);
  void copy_exporting(const Connection& connection, RFC_PARAMETER* parameters);
  bool copy_rows(nwrfc::RFC_FUNCTION_HANDLE function, const RFC_TABLE& table);
  nwrfc::RFC_RC describe_parameter(nwrfc::RFC_FUNCTION_DESC_HANDLE description, const SapText& name,
                                   SdkField& field, nwrfc::RFC_ERROR_INFO& error);
  // The value of a field by its SDK type, then converted into the classic
  // type and length at `area`; the area is left alone on failure.
  nwrfc::RFC_RC read_field(nwrfc::DATA_CONTAINER_HANDLE container, const SapText& name, const SdkField& field,
                           unsigned type, unsigned length, char* area, nwrfc::RFC_ERROR_INFO& error);
  // Characters are read whole and integers as numbers; packed (BCD) and
  // floating point numbers through the SDK's own conversions, as a whole
  // number or, `as_text`, as the SDK's characters.
  nwrfc::RFC_RC read_sdk_value(nwrfc::DATA_CONTAINER_HANDLE container, const SapText& name, const SdkField& field,
                               bool as_text, SdkValue& value, nwrfc::RFC_ERROR_INFO& error);
  // A classic value set into a field by the field's SDK type.
  nwrfc::RFC_RC write_field(nwrfc::DATA_CONTAINER_HANDLE container, const SapText& name, const SdkField& field,
                            const RFC_PARAMETER& parameter, nwrfc::RFC_ERROR_INFO& error);

  Platform& platform_;
  NwRfcEntryPoints sdk_;
  RFC_ERROR_HANDLER handler_ = nullptr;
  std::map<RFC_HANDLE, Connection> connections_;
  RFC_HANDLE next_handle_ = 1;
  std::map<RFC_TYPEHANDLE, Structure> structures_;
  RFC_TYPEHANDLE next_type_ = 1;
  std::map<Table*, std::unique_ptr<Table>> tables_;
  LastError last_error_;
  std::string exception_name_;
  int trace_blocks_ = 0;
};

}  // namespace quillar

#endif  // QUILLAR_RFC_NWRFC_BRIDGE_H_
