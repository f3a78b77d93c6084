#include "rfc/nwrfc_bridge.h"

#include <cstdio>
#include <iterator>

#include "rfc/nwrfc_support.h"
#include "rfc/rfc_files.h"

namespace quillar {
namespace {

// The classic library ends the program where the SDK reports these.
bool beyond_recovery(nwrfc::RFC_RC code) {
  return code == nwrfc::RFC_INVALID_HANDLE || code == nwrfc::RFC_MEMORY_INSUFFICIENT ||
         code == nwrfc::RFC_ILLEGAL_STATE;
}

}  // namespace

void open_bridge(Platform& platform, const NwRfcEntryPoints& sdk, RfcLibrary& library) {
  library.bridge = std::make_unique<NwRfcBridge>(platform, sdk);
  library.entry_points = library.bridge->entry_points();
}

NwRfcBridge::NwRfcBridge(Platform& platform, const NwRfcEntryPoints& sdk) : platform_(platform), sdk_(sdk) {}

NwRfcBridge::~NwRfcBridge() { close(0); }

RfcEntryPoints NwRfcBridge::entry_points() {
  RfcEntryPoints entry;
  entry.RfcEnvironment = [this](RFC_ENV* environment) { this->environment(environment); };
  entry.RfcOpen = [this](RFC_OPTIONS* options) { return open(options); };
  entry.RfcOpenEx = [this](const char* connect, RFC_ERROR_INFO_EX* error) { return open_ex(connect, error); };
  entry.RfcClose = [this](RFC_HANDLE handle) { close(handle); };
  entry.RfcLastError = [this](RFC_ERROR_INFO* error) { return last_error(error); };
  entry.RfcInstallStructure = [this](const char* name, RFC_TYPE_ELEMENT* elements, unsigned entries,
                                     RFC_TYPEHANDLE* type) { return install_structure(name, elements, entries, type); };
  entry.RfcCall = [this](RFC_HANDLE handle, const char* function, RFC_PARAMETER* parameters, RFC_TABLE* tables) {
    return call(handle, function, parameters, tables);
  };
  entry.RfcReceive = [this](RFC_HANDLE handle, RFC_PARAMETER* parameters, RFC_TABLE* tables, char** exception) {
    return receive(handle, parameters, tables, exception);
  };
  entry.ItCreate = [this](const char* name, unsigned leng, unsigned occu, unsigned memo) {
    return it_create(name, leng, occu, memo);
  };
  entry.ItFill = [this](ITAB_H table) { return it_fill(table); };
  entry.ItGetLine = [this](ITAB_H table, unsigned line) { return it_get_line(table, line); };
  entry.ItDelete = [this](ITAB_H table) { return it_delete(table); };
  return entry;
}

void NwRfcBridge::environment(RFC_ENV* environment) {
  handler_ = environment != nullptr ? environment->errorhandler : nullptr;
}

void NwRfcBridge::append_trace_block(const std::string& message) {
  std::unique_ptr<Folder> working = platform_.open_folder("");
  std::unique_ptr<WritableFile> trace = working ? working->write_file(kTraceFileName, FileWriting::kAppendText) : nullptr;
  if (!trace) return;
  trace_blocks_ = (trace_blocks_ + 1) % 10000;
  char number[8];
  std::snprintf(number, sizeof number, "%04d", trace_blocks_);
  trace->write("\n**** ERROR file opened at " + platform_.time_of_day() + "\nT:" + number + " ======> " + message +
               "\n");
  trace->close();
}

void NwRfcBridge::take_field_error(const std::string& field, nwrfc::RFC_RC code, nwrfc::RFC_ERROR_GROUP group) {
  last_error_ = LastError{rc_name(code), rc_name(code), field + ": " + rc_name(code), group_name(group)};
  append_trace_block(last_error_.message);
}

void NwRfcBridge::take_own_error(const std::string& key, const std::string& message) {
  last_error_ = LastError{key, key, message, "EXTERNAL_APPLICATION_FAILURE"};
  append_trace_block(message);
}

bool NwRfcBridge::take_error(const nwrfc::RFC_ERROR_INFO& error, const char* operation) {
  last_error_ = LastError{from_sap_text(error.key, std::size(error.key)), rc_name(error.code),
                          from_sap_text(error.message, std::size(error.message)), group_name(error.group)};
  append_trace_block(last_error_.message);
  if (!beyond_recovery(error.code) || handler_ == nullptr) return false;
  char name[64];
  copy_into(name, sizeof name, operation);
  handler_(name);
  return true;
}

int NwRfcBridge::last_error(RFC_ERROR_INFO* error_info) {
  if (error_info == nullptr) return 0;
  *error_info = RFC_ERROR_INFO{};
  copy_into(error_info->key, sizeof error_info->key, last_error_.key);
  copy_into(error_info->status, sizeof error_info->status, last_error_.status);
  copy_into(error_info->message, sizeof error_info->message, last_error_.message);
  copy_into(error_info->intstat, sizeof error_info->intstat, last_error_.intstat);
  return 0;
}

void NwRfcBridge::destroy_function(Connection& connection) {
  if (connection.function == nullptr) return;
  nwrfc::RFC_ERROR_INFO ignored{};
  sdk_.RfcDestroyFunction(connection.function, &ignored);
  connection.function = nullptr;
}

NwRfcBridge::Connection* NwRfcBridge::usable_connection(RFC_HANDLE handle) {
  auto found = connections_.find(handle);
  if (found == connections_.end()) {
    take_own_error("RFC_INVALID_HANDLE", "invalid handle " + std::to_string(handle));
    return nullptr;
  }
  if (found->second.closed_by_sdk) {
    take_own_error("RFC_CLOSED", "connection " + std::to_string(handle) +
                                     " is closed: an earlier call ended in a failure that closes it");
    return nullptr;
  }
  return &found->second;
}

RFC_RC NwRfcBridge::install_structure(const char* name, RFC_TYPE_ELEMENT* elements, unsigned entries,
                                      RFC_TYPEHANDLE* type_handle) {
  if (elements == nullptr || type_handle == nullptr) {
    take_own_error("RFC_INVALID_PARAMETER", "structure " + text_of(name) + " not installed");
    return RFC_FAILURE;
  }
  // Each field at the next offset its type aligns to, as a C compiler lays
  // out the row the program reads.
  Structure structure;
  for (unsigned i = 0; i < entries; ++i) {
    unsigned align = elements[i].type == TYPINT ? 4 : elements[i].type == TYPINT2 ? 2 : 1;
    unsigned offset = (structure.size + align - 1) / align * align;
    structure.fields.push_back(Field{text_of(elements[i].name), elements[i].type, elements[i].length, offset});
    structure.size = offset + elements[i].length;
  }
  structure.size = (structure.size + 3) / 4 * 4;
  *type_handle = next_type_++;
  structures_[*type_handle] = structure;
  return RFC_OK;
}

RFC_RC NwRfcBridge::call(RFC_HANDLE handle, const char* function, RFC_PARAMETER* parameters, RFC_TABLE* tables) {
  (void)tables;
  Connection* connection = usable_connection(handle);
  if (connection == nullptr) return RFC_FAILURE;
  destroy_function(*connection);
  nwrfc::RFC_ERROR_INFO error{};
  SapText name = to_sap_text(text_of(function));
  connection->description = sdk_.RfcGetFunctionDesc(connection->sdk, name.c_str(), &error);
  if (connection->description == nullptr) {
    take_error(error, "RfcCall");
    return RFC_FAILURE;
  }
  connection->function = sdk_.RfcCreateFunction(connection->description, &error);
  if (connection->function == nullptr) {
    take_error(error, "RfcCall");
    return RFC_FAILURE;
  }
  if (!set_importing(*connection, parameters)) {
    destroy_function(*connection);
    return RFC_FAILURE;
  }
  return RFC_OK;
}

}  // namespace quillar
