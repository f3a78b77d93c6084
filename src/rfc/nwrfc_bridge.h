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

#include "output/status.h"
#include "platform/platform.h"
#include "rfc/rfc_entry_points.h"
#include "rfc/rfc_library.h"
#include "rfc/sapnwrfc.h"

namespace quillar {

// The functions of the SDK that the bridge calls.
struct NwRfcEntryPoints {
  decltype(&nwrfc::RfcOpenConnection) RfcOpenConnection = nullptr;
  decltype(&nwrfc::RfcCloseConnection) RfcCloseConnection = nullptr;
  decltype(&nwrfc::RfcGetFunctionDesc) RfcGetFunctionDesc = nullptr;
  decltype(&nwrfc::RfcCreateFunction) RfcCreateFunction = nullptr;
  decltype(&nwrfc::RfcDestroyFunction) RfcDestroyFunction = nullptr;
  decltype(&nwrfc::RfcSetChars) RfcSetChars = nullptr;
  decltype(&nwrfc::RfcSetInt) RfcSetInt = nullptr;
  decltype(&nwrfc::RfcInvoke) RfcInvoke = nullptr;
  decltype(&nwrfc::RfcGetTable) RfcGetTable = nullptr;
  decltype(&nwrfc::RfcGetRowCount) RfcGetRowCount = nullptr;
  decltype(&nwrfc::RfcMoveTo) RfcMoveTo = nullptr;
  decltype(&nwrfc::RfcGetInt) RfcGetInt = nullptr;
  decltype(&nwrfc::RfcGetInt2) RfcGetInt2 = nullptr;
  decltype(&nwrfc::RfcGetChars) RfcGetChars = nullptr;
  decltype(&nwrfc::RfcGetVersion) RfcGetVersion = nullptr;
};

// The functions of an SDK linked into the program (POSIX builds that link
// the NetWeaver stand-in).
const NwRfcEntryPoints& linked_nwrfc_entry_points();

// Resolves every function of the SDK by its plain name; on failure names the
// first one missing.
Status resolve_nwrfc_entry_points(SharedLibrary& module, NwRfcEntryPoints& entry_points,
                                  std::string& missing);

// What RfcReceive gives for the result of RfcInvoke: the classic return code
// and, for an exception, its name.
struct ClassicResult {
  RFC_RC code;
  std::string exception;
};
ClassicResult classic_result(nwrfc::RFC_RC code, const std::string& key);

// The published names of the SDK's codes and error groups.
const char* rc_name(nwrfc::RFC_RC code);
const char* group_name(nwrfc::RFC_ERROR_GROUP group);

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
    nwrfc::RFC_FUNCTION_HANDLE function = nullptr;
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
  void append_trace_block(const std::string& message);
  bool copy_rows(nwrfc::RFC_FUNCTION_HANDLE function, const RFC_TABLE& table, nwrfc::RFC_ERROR_INFO& error);
  void copy_exporting(nwrfc::RFC_FUNCTION_HANDLE function, RFC_PARAMETER* parameters);
  void read_field(nwrfc::DATA_CONTAINER_HANDLE container, const std::string& name, unsigned type,
                  unsigned length, char* area);

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
