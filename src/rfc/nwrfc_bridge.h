// The bridge: the classic RFC library's operations, as the sensor calls them,
// served by the SAP NetWeaver RFC SDK. It keeps what the classic library
// keeps and the SDK does not: small connection handles, the installed
// structures, the internal tables with their rows, and the last error. Its
// members live in nwrfc_bridge.cc, the logon in nwrfc_logon.cc, the values of
// parameters and fields in nwrfc_values.cc, the rows in nwrfc_rows.cc.
#ifndef QUILLAR_RFC_NWRFC_BRIDGE_H_
#define QUILLAR_RFC_NWRFC_BRIDGE_H_

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "rfc/nwrfc_sdk.h"
#include "rfc/rfc_entry_points.h"
#include "rfc/rfc_library.h"
#include "rfc/sap_characters.h"
#include "rfc/sapnwrfc.h"

namespace quillar {

// Serves the classic entry points of `library` through a bridge to the
// NetWeaver SDK whose functions `sdk` holds.
void open_bridge(Platform& platform, const NwRfcEntryPoints& sdk, RfcLibrary& library);

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
  // How the rows of one table are read: the table's name as messages show
  // it, its installed structure, and the SDK's name and description of each
  // field of that structure.
  struct RowLayout {
    std::string table_name;
    const Structure* structure = nullptr;
    std::vector<SapText> names;
    std::vector<SdkField> fields;
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
  // Appends the rows of `table` that the SDK holds to its internal table:
  // all of them, or none when one cannot be read.
  bool copy_rows(nwrfc::RFC_FUNCTION_HANDLE function, const RFC_TABLE& table);
  // The SDK's description of each field of the layout's structure in the rows
  // of `sdk_table`, asked once for all rows.
  bool describe_rows(nwrfc::RFC_TABLE_HANDLE sdk_table, RowLayout& layout, nwrfc::RFC_ERROR_INFO& error);
  // Row `index` of `sdk_table`, its fields where the installed structure puts
  // them, `line_length` bytes long.
  bool read_row(nwrfc::RFC_TABLE_HANDLE sdk_table, unsigned index, const RowLayout& layout, unsigned line_length,
                std::vector<char>& row, nwrfc::RFC_ERROR_INFO& error);
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
  // A packed or floating point number as the SDK converts it: into its
  // characters, left-aligned and filled with blanks, or into a whole number,
  // the widest that this SDK has.
  nwrfc::RFC_RC read_converted_number(nwrfc::DATA_CONTAINER_HANDLE container, const SapText& name, bool as_text,
                                      SdkValue& value, nwrfc::RFC_ERROR_INFO& error);
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
