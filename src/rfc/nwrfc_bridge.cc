#include "rfc/nwrfc_bridge.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "output/diagnostics.h"
#include "output/texts.h"
#include "rfc/connection.h"
#include "platform/line_reader.h"
#include "rfc/sap_characters.h"

namespace quillar {
namespace {

using nwrfc::SAP_UC;

constexpr std::size_t kDestinationLineRoom = 1024;

constexpr const char* kRcNames[] = {
    "RFC_OK", "RFC_COMMUNICATION_FAILURE", "RFC_LOGON_FAILURE", "RFC_ABAP_RUNTIME_FAILURE", "RFC_ABAP_MESSAGE",
    "RFC_ABAP_EXCEPTION", "RFC_CLOSED", "RFC_CANCELED", "RFC_TIMEOUT", "RFC_MEMORY_INSUFFICIENT",
    "RFC_VERSION_MISMATCH", "RFC_INVALID_PROTOCOL", "RFC_SERIALIZATION_FAILURE", "RFC_INVALID_HANDLE",
    "RFC_RETRY", "RFC_EXTERNAL_FAILURE", "RFC_EXECUTED", "RFC_NOT_FOUND", "RFC_NOT_SUPPORTED",
    "RFC_ILLEGAL_STATE", "RFC_INVALID_PARAMETER", "RFC_CODEPAGE_CONVERSION_FAILURE", "RFC_CONVERSION_FAILURE",
    "RFC_BUFFER_TOO_SMALL", "RFC_TABLE_MOVE_BOF", "RFC_TABLE_MOVE_EOF", "RFC_START_SAPGUI_FAILURE",
    "RFC_ABAP_CLASS_EXCEPTION", "RFC_UNKNOWN_ERROR", "RFC_AUTHORIZATION_FAILURE"};
constexpr const char* kGroupNames[] = {"OK",
                                       "ABAP_APPLICATION_FAILURE",
                                       "ABAP_RUNTIME_FAILURE",
                                       "LOGON_FAILURE",
                                       "COMMUNICATION_FAILURE",
                                       "EXTERNAL_RUNTIME_FAILURE",
                                       "EXTERNAL_APPLICATION_FAILURE",
                                       "EXTERNAL_AUTHORIZATION_FAILURE"};

// The classic library ends the program where the SDK reports these.
bool beyond_recovery(nwrfc::RFC_RC code) {
  return code == nwrfc::RFC_INVALID_HANDLE || code == nwrfc::RFC_MEMORY_INSUFFICIENT ||
         code == nwrfc::RFC_ILLEGAL_STATE;
}

std::string without_trailing_blanks(std::string_view text) {
  std::size_t end = text.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1));
}

std::string trimmed(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::string();
  return std::string(text.substr(first, text.find_last_not_of(" \t") + 1 - first));
}

std::string text_of(const char* text) { return text != nullptr ? text : ""; }

void copy_into(char* target, std::size_t room, const std::string& text) {
  std::snprintf(target, room, "%s", text.c_str());
}

// The value of `key` in the connect string, up to the last " " + next key;
// a password may hold blanks.
std::string connect_value(const std::string& connect, const std::string& key, const std::string& next) {
  std::size_t at = connect.find(key);
  if (at == std::string::npos) return "";
  at += key.size();
  std::size_t end = next.empty() ? std::string::npos : connect.rfind(next);
  if (end == std::string::npos || end < at) end = connect.size();
  return connect.substr(at, end - at);
}

// The number of a system as the SDK takes it: two digits.
std::string two_digits(long number) {
  char text[16];
  std::snprintf(text, sizeof text, "%02ld", number);
  return text;
}

void write_integer(char* area, unsigned length, std::int32_t value) {
  if (length >= 4) {
    std::memcpy(area, &value, 4);
  } else if (length >= 2) {
    std::int16_t narrow = static_cast<std::int16_t>(value);
    std::memcpy(area, &narrow, 2);
  }
}

std::int32_t read_integer(const void* area, unsigned type) {
  if (type == TYPINT2) {
    std::int16_t narrow;
    std::memcpy(&narrow, area, 2);
    return narrow;
  }
  std::int32_t wide;
  std::memcpy(&wide, area, 4);
  return wide;
}

}  // namespace

const char* rc_name(nwrfc::RFC_RC code) {
  int index = static_cast<int>(code);
  return index >= 0 && index < static_cast<int>(std::size(kRcNames)) ? kRcNames[index] : "RFC_UNKNOWN_ERROR";
}

const char* group_name(nwrfc::RFC_ERROR_GROUP group) {
  int index = static_cast<int>(group);
  return index >= 0 && index < static_cast<int>(std::size(kGroupNames)) ? kGroupNames[index] : "";
}

ClassicResult classic_result(nwrfc::RFC_RC code, const std::string& key) {
  switch (code) {
    case nwrfc::RFC_OK:
      return {RFC_OK, ""};
    case nwrfc::RFC_ABAP_EXCEPTION:
      return {RFC_EXCEPTION, key};
    case nwrfc::RFC_ABAP_MESSAGE:
    case nwrfc::RFC_ABAP_RUNTIME_FAILURE:
      return {RFC_SYS_EXCEPTION, "SYSTEM_FAILURE"};
    case nwrfc::RFC_COMMUNICATION_FAILURE:
      return {RFC_SYS_EXCEPTION, "COMMUNICATION_FAILURE"};
    default:
      return {RFC_FAILURE, ""};
  }
}

Status resolve_nwrfc_entry_points(SharedLibrary& module, NwRfcEntryPoints& found, std::string& missing) {
  auto resolve = [&](const char* name, auto& entry_point) {
    void* address = module.entry_point(name);
    if (address == nullptr && missing.empty()) missing = name;
    entry_point = reinterpret_cast<std::remove_reference_t<decltype(entry_point)>>(address);
  };
  missing.clear();
  resolve("RfcOpenConnection", found.RfcOpenConnection);
  resolve("RfcCloseConnection", found.RfcCloseConnection);
  resolve("RfcGetFunctionDesc", found.RfcGetFunctionDesc);
  resolve("RfcCreateFunction", found.RfcCreateFunction);
  resolve("RfcDestroyFunction", found.RfcDestroyFunction);
  resolve("RfcSetChars", found.RfcSetChars);
  resolve("RfcSetInt", found.RfcSetInt);
  resolve("RfcInvoke", found.RfcInvoke);
  resolve("RfcGetTable", found.RfcGetTable);
  resolve("RfcGetRowCount", found.RfcGetRowCount);
  resolve("RfcMoveTo", found.RfcMoveTo);
  resolve("RfcGetInt", found.RfcGetInt);
  resolve("RfcGetInt2", found.RfcGetInt2);
  resolve("RfcGetChars", found.RfcGetChars);
  resolve("RfcGetVersion", found.RfcGetVersion);
  return missing.empty() ? Status::Ok() : Status::Error(missing);
}

NwRfcBridge::NwRfcBridge(Platform& platform, const NwRfcEntryPoints& sdk) : platform_(platform), sdk_(sdk) {}

NwRfcBridge::~NwRfcBridge() {
  for (auto& [handle, connection] : connections_) {
    destroy_function(connection);
    nwrfc::RFC_ERROR_INFO ignored{};
    sdk_.RfcCloseConnection(connection.sdk, &ignored);
  }
}

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
  std::unique_ptr<WritableFile> trace = platform_.append_text(kTraceFileName);
  if (!trace) return;
  trace_blocks_ = (trace_blocks_ + 1) % 10000;
  char number[8];
  std::snprintf(number, sizeof number, "%04d", trace_blocks_);
  trace->write("\n**** ERROR file opened at " + platform_.time_of_day() + "\nT:" + number + " ======> " + message +
               "\n");
  trace->close();
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

RFC_HANDLE NwRfcBridge::connect(const std::vector<std::pair<std::string, std::string>>& parameters,
                                const char* operation) {
  std::vector<SapText> texts;
  texts.reserve(parameters.size() * 2);
  std::vector<nwrfc::RFC_CONNECTION_PARAMETER> sdk_parameters;
  for (const auto& [name, value] : parameters) {
    texts.push_back(to_sap_text(name));
    texts.push_back(to_sap_text(value));
  }
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    sdk_parameters.push_back({texts[2 * i].c_str(), texts[2 * i + 1].c_str()});
  }
  nwrfc::RFC_ERROR_INFO error{};
  nwrfc::RFC_CONNECTION_HANDLE sdk =
      sdk_.RfcOpenConnection(sdk_parameters.data(), static_cast<unsigned>(sdk_parameters.size()), &error);
  if (sdk == nullptr) {
    take_error(error, operation);
    return 0;
  }
  while (next_handle_ == 0 || connections_.count(next_handle_) != 0) ++next_handle_;
  RFC_HANDLE handle = next_handle_++;
  connections_[handle].sdk = sdk;
  return handle;
}

RFC_HANDLE NwRfcBridge::open(RFC_OPTIONS* options) {
  if (options == nullptr) return 0;
  if (options->mode != 0) {
    take_own_error("RFC_NOT_SUPPORTED", "an R/2 logon through a gateway has no counterpart in the NetWeaver RFC SDK");
    return 0;
  }
  const auto* server = static_cast<const RFC_CONNOPT_R3*>(options->connopt);
  std::vector<std::pair<std::string, std::string>> parameters;
  parameters.emplace_back("ashost", server != nullptr ? text_of(server->hostname) : "");
  parameters.emplace_back("sysnr", two_digits(server != nullptr ? server->sysnr : 0));
  parameters.emplace_back("client", without_trailing_blanks(text_of(options->client)));
  parameters.emplace_back("user", without_trailing_blanks(text_of(options->user)));
  parameters.emplace_back("passwd", without_trailing_blanks(text_of(options->password)));
  parameters.emplace_back("lang", without_trailing_blanks(text_of(options->language)));
  if (server != nullptr && server->gateway_host != nullptr) parameters.emplace_back("gwhost", server->gateway_host);
  if (server != nullptr && server->gateway_service != nullptr) {
    parameters.emplace_back("gwserv", server->gateway_service);
  }
  return connect(parameters, "RfcOpen");
}

RFC_HANDLE NwRfcBridge::open_ex(const char* connect_parameters, RFC_ERROR_INFO_EX* error_info) {
  const std::string connect_string = text_of(connect_parameters);
  const std::string destination = connect_value(connect_string, " DEST=", "");
  // The destination's entry of the file that the logon has just written:
  // keys before the first DEST= line belong to no entry.
  std::map<std::string, std::string> entry;
  if (std::unique_ptr<ReadableFile> file = platform_.open_text(kDestinationsFile)) {
    LineReader reader(*file, kDestinationLineRoom);
    bool in_entry = false;
    std::string line;
    while (reader.next_line(line)) {
      std::size_t equals = line.find('=');
      if (equals == std::string::npos) continue;
      std::string key = upper_case(trimmed(std::string_view(line).substr(0, equals)));
      std::string value = trimmed(std::string_view(line).substr(equals + 1));
      if (key == "DEST") in_entry = upper_case(value) == upper_case(destination);
      if (in_entry) entry[key] = value;
    }
  }
  std::vector<std::pair<std::string, std::string>> parameters;
  if (!entry.empty()) {
    parameters.emplace_back("ashost", entry["ASHOST"]);
    parameters.emplace_back("sysnr", two_digits(leading_integer(entry["SYSNR"])));
  }
  parameters.emplace_back("client", connect_value(connect_string, "CLIENT=", " USER="));
  parameters.emplace_back("user", connect_value(connect_string, " USER=", " PASSWD="));
  parameters.emplace_back("passwd", connect_value(connect_string, " PASSWD=", " LANG="));
  parameters.emplace_back("lang", connect_value(connect_string, " LANG=", " DEST="));
  if (!entry["GWHOST"].empty()) parameters.emplace_back("gwhost", entry["GWHOST"]);
  if (!entry["GWSERV"].empty()) parameters.emplace_back("gwserv", entry["GWSERV"]);
  if (entry.empty() || entry["ASHOST"].empty()) {
    take_own_error("RFC_INVALID_PARAMETER", "destination " + destination + " has no ASHOST in " + kDestinationsFile);
  }
  RFC_HANDLE handle = entry["ASHOST"].empty() ? 0 : connect(parameters, "RfcOpenEx");
  if (handle == 0 && error_info != nullptr) {
    *error_info = RFC_ERROR_INFO_EX{};
    error_info->group = 1;
    copy_into(error_info->key, sizeof error_info->key, last_error_.key);
    copy_into(error_info->message, sizeof error_info->message, last_error_.message);
  }
  return handle;
}

void NwRfcBridge::destroy_function(Connection& connection) {
  if (connection.function == nullptr) return;
  nwrfc::RFC_ERROR_INFO ignored{};
  sdk_.RfcDestroyFunction(connection.function, &ignored);
  connection.function = nullptr;
}

void NwRfcBridge::close(RFC_HANDLE handle) {
  for (auto at = connections_.begin(); at != connections_.end();) {
    if (handle != 0 && at->first != handle) {
      ++at;
      continue;
    }
    destroy_function(at->second);
    nwrfc::RFC_ERROR_INFO ignored{};
    sdk_.RfcCloseConnection(at->second.sdk, &ignored);
    at = connections_.erase(at);
  }
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
  auto found = connections_.find(handle);
  if (found == connections_.end()) {
    take_own_error("RFC_INVALID_HANDLE", "invalid handle " + std::to_string(handle));
    return RFC_FAILURE;
  }
  Connection& connection = found->second;
  destroy_function(connection);
  nwrfc::RFC_ERROR_INFO error{};
  SapText name = to_sap_text(text_of(function));
  nwrfc::RFC_FUNCTION_DESC_HANDLE description = sdk_.RfcGetFunctionDesc(connection.sdk, name.c_str(), &error);
  if (description == nullptr) {
    take_error(error, "RfcCall");
    return RFC_FAILURE;
  }
  connection.function = sdk_.RfcCreateFunction(description, &error);
  if (connection.function == nullptr) {
    take_error(error, "RfcCall");
    return RFC_FAILURE;
  }
  for (RFC_PARAMETER* p = parameters; p != nullptr && p->name != nullptr; ++p) {
    SapText parameter = to_sap_text(p->name);
    nwrfc::RFC_RC code = nwrfc::RFC_OK;
    if (p->type == TYPC) {
      SapText value = to_sap_text(std::string_view(static_cast<const char*>(p->addr), p->leng));
      code = sdk_.RfcSetChars(connection.function, parameter.c_str(), value.c_str(), p->leng, &error);
    } else if (p->type == TYPINT || p->type == TYPINT2) {
      code = sdk_.RfcSetInt(connection.function, parameter.c_str(), read_integer(p->addr, p->type), &error);
    }
    if (code != nwrfc::RFC_OK) {
      take_error(error, "RfcCall");
      destroy_function(connection);
      return RFC_FAILURE;
    }
  }
  return RFC_OK;
}

void NwRfcBridge::read_field(nwrfc::DATA_CONTAINER_HANDLE container, const std::string& name, unsigned type,
                             unsigned length, char* area) {
  nwrfc::RFC_ERROR_INFO error{};
  SapText field = to_sap_text(name);
  if (type == TYPINT || type == TYPINT2) {
    nwrfc::RFC_INT value = 0;
    nwrfc::RFC_INT2 narrow = 0;
    nwrfc::RFC_RC code = type == TYPINT ? sdk_.RfcGetInt(container, field.c_str(), &value, &error)
                                        : sdk_.RfcGetInt2(container, field.c_str(), &narrow, &error);
    if (code == nwrfc::RFC_OK) write_integer(area, length, type == TYPINT ? value : narrow);
  } else if (type == TYPC) {
    SapText buffer(length, SAP_UC(' '));
    if (sdk_.RfcGetChars(container, field.c_str(), buffer.data(), length, &error) == nwrfc::RFC_OK) {
      std::string text = from_sap_text(buffer.data(), length);
      text.resize(length, ' ');
      std::memcpy(area, text.data(), length);
    }
  }
}

void NwRfcBridge::copy_exporting(nwrfc::RFC_FUNCTION_HANDLE function, RFC_PARAMETER* parameters) {
  for (RFC_PARAMETER* p = parameters; p != nullptr && p->name != nullptr; ++p) {
    if (p->addr != nullptr) read_field(function, p->name, p->type, p->leng, static_cast<char*>(p->addr));
  }
}

bool NwRfcBridge::copy_rows(nwrfc::RFC_FUNCTION_HANDLE function, const RFC_TABLE& table,
                            nwrfc::RFC_ERROR_INFO& error) {
  auto structure = structures_.find(table.type);
  auto rows = tables_.find(static_cast<Table*>(table.ithandle));
  if (structure == structures_.end() || rows == tables_.end()) return true;
  SapText name = to_sap_text(table.name);
  nwrfc::RFC_TABLE_HANDLE sdk_table = nullptr;
  unsigned count = 0;
  if (sdk_.RfcGetTable(function, name.c_str(), &sdk_table, &error) != nwrfc::RFC_OK ||
      sdk_.RfcGetRowCount(sdk_table, &count, &error) != nwrfc::RFC_OK) {
    return false;
  }
  Table& target = *rows->second;
  for (unsigned i = 0; i < count; ++i) {
    if (sdk_.RfcMoveTo(sdk_table, i, &error) != nwrfc::RFC_OK) return false;
    std::vector<char> row(std::max(target.line_length, structure->second.size), '\0');
    for (const Field& field : structure->second.fields) {
      read_field(sdk_table, field.name, field.type, field.length, row.data() + field.offset);
    }
    row.resize(target.line_length);
    target.rows.push_back(std::move(row));
  }
  return true;
}

RFC_RC NwRfcBridge::receive(RFC_HANDLE handle, RFC_PARAMETER* parameters, RFC_TABLE* tables, char** exception) {
  auto found = connections_.find(handle);
  if (found == connections_.end() || found->second.function == nullptr) {
    take_own_error("RFC_INVALID_HANDLE", "no call pending on handle " + std::to_string(handle));
    return RFC_FAILURE;
  }
  Connection& connection = found->second;
  nwrfc::RFC_ERROR_INFO error{};
  nwrfc::RFC_RC code = sdk_.RfcInvoke(connection.sdk, connection.function, &error);
  ClassicResult result = classic_result(code, from_sap_text(error.key, std::size(error.key)));
  if (code == nwrfc::RFC_OK) {
    copy_exporting(connection.function, parameters);
    for (RFC_TABLE* t = tables; t != nullptr && t->name != nullptr; ++t) {
      if (!copy_rows(connection.function, *t, error)) {
        take_error(error, "RfcReceive");
        result = ClassicResult{RFC_FAILURE, ""};
        break;
      }
    }
  } else if (take_error(error, "RfcReceive")) {
    result = ClassicResult{RFC_FAILURE, ""};
  }
  destroy_function(connection);
  if (!result.exception.empty() && exception != nullptr) {
    exception_name_ = result.exception;
    *exception = exception_name_.data();
  }
  return result.code;
}

ITAB_H NwRfcBridge::it_create(const char* name, unsigned leng, unsigned occu, unsigned memo) {
  (void)name;
  (void)occu;
  (void)memo;
  auto table = std::make_unique<Table>();
  table->line_length = leng;
  Table* key = table.get();
  tables_[key] = std::move(table);
  return key;
}

unsigned NwRfcBridge::it_fill(ITAB_H table) {
  auto found = tables_.find(static_cast<Table*>(table));
  return found == tables_.end() ? 0 : static_cast<unsigned>(found->second->rows.size());
}

void* NwRfcBridge::it_get_line(ITAB_H table, unsigned line) {
  auto found = tables_.find(static_cast<Table*>(table));
  if (found == tables_.end() || line == 0 || line > found->second->rows.size()) {
    take_own_error("RFC_NOT_FOUND", "line " + std::to_string(line) + " of the table not found");
    return nullptr;
  }
  return found->second->rows[line - 1].data();
}

int NwRfcBridge::it_delete(ITAB_H table) {
  if (tables_.erase(static_cast<Table*>(table)) == 0) {
    take_own_error("RFC_INVALID_HANDLE", "no table to delete");
    return 1;
  }
  return 0;
}

}  // namespace quillar
