// A stand-in for the SAP NetWeaver RFC SDK: the functions of the sensor's
// NetWeaver header, played against the same simulated landscape
// ("RfcSim.ini") as the classic stand-in, its settings mapped to NetWeaver
// results (see README.md here). It writes no trace file of its own.
#define QUILLAR_BUILDING_NWRFC_LIBRARY
#include "rfc/sapnwrfc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <dirent.h>
#endif

#include "landscape.h"
#include "rfcsim_control.h"

using namespace nwrfc;

namespace rfcsim {
namespace {

// A field's value with its type: the characters of a CHAR or NUMC field,
// or a whole number in decimal.
struct Value {
  FieldType type;
  std::string text;
};

// The description of a structure: its fields by name.
struct TypeDescription {
  std::map<std::string, FieldType> fields;
};

// A function, a table or one of its rows: the SDK's data containers are all
// of one kind.
struct Data {
  std::map<std::string, Value> fields;
  std::map<std::string, std::unique_ptr<Data>> tables;
  std::vector<std::unique_ptr<Data>> rows;
  unsigned current_row = 0;
  const TypeDescription* row_type = nullptr;  // tables and rows
};

struct Connection {
  System system;
};

// GET_LAN_SINGLE as the system's dictionary describes it.
struct FunctionDescription {
  std::string name;
  std::map<std::string, FieldType> parameters;
  TypeDescription lan_single;
};

constexpr char kTableName[] = "TF_LAN_SINGLE";

struct NwState {
  NwSeen seen;
  // The ICU libraries were found at the first logon.
  bool icu_loaded = false;
  // The folder whose sapnwrfc.dll a linked stand-in plays; none: it needs
  // no ICU libraries.
  std::string loaded_from;
  Landscape landscape;
  std::map<Connection*, std::unique_ptr<Connection>> connections;
  std::map<FunctionDescription*, std::unique_ptr<FunctionDescription>> descriptions;
  std::map<Data*, std::unique_ptr<Data>> functions;
};

std::unique_ptr<NwState>& nw_state_slot() {
  static std::unique_ptr<NwState> slot = std::make_unique<NwState>();
  return slot;
}

NwState& nw_state() { return *nw_state_slot(); }

// An ICU library of any version: the prefix, the version's digits and
// ".dll", in any letter case.
bool is_icu_library(std::string name, const std::string& prefix) {
  name = lower(name);
  const std::string end = ".dll";
  if (name.size() <= prefix.size() + end.size() || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - end.size(), end.size(), end) != 0) {
    return false;
  }
  return name.substr(prefix.size(), name.size() - prefix.size() - end.size()).find_first_not_of("0123456789") ==
         std::string::npos;
}

// The folders where libsapucum.dll's plain-named loads find the ICU
// libraries: its own, then Windows' search (the program's folder, the
// system and Windows folders, PATH). A linked stand-in has only the folder
// it plays.
std::vector<std::string> icu_folders() {
  std::vector<std::string> folders;
#ifdef _WIN32
  char path[MAX_PATH + 1];
  auto folder_of = [](const char* file) {
    std::string text(file);
    return text.substr(0, text.find_last_of("\\/") + 1);
  };
  static const char kWithinThisLibrary = 0;
  HMODULE self = nullptr;
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         &kWithinThisLibrary, &self) &&
      GetModuleFileNameA(self, path, sizeof path) < sizeof path) {
    folders.push_back(folder_of(path));
  }
  if (GetModuleFileNameA(nullptr, path, sizeof path) < sizeof path) folders.push_back(folder_of(path));
  if (UINT length = GetSystemDirectoryA(path, sizeof path); length > 0 && length < sizeof path) {
    folders.push_back(std::string(path) + "\\");
  }
  if (UINT length = GetWindowsDirectoryA(path, sizeof path); length > 0 && length < sizeof path) {
    folders.push_back(std::string(path) + "\\");
  }
  std::string search(32768, '\0');
  const DWORD length = GetEnvironmentVariableA("PATH", search.data(), static_cast<DWORD>(search.size()));
  search.resize(length < search.size() ? length : 0);
  for (std::size_t start = 0; start < search.size();) {
    std::size_t end = std::min(search.find(';', start), search.size());
    if (end > start) folders.push_back(search.substr(start, end - start) + "\\");
    start = end + 1;
  }
#else
  if (!nw_state().loaded_from.empty()) folders.push_back(nw_state().loaded_from + "/");
#endif
  return folders;
}

bool folder_holds_icu_library(const std::string& folder, const std::string& prefix) {
  bool found = false;
#ifdef _WIN32
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + prefix + "*.dll").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    found = found || is_icu_library(entry.cFileName, prefix);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
#else
  if (DIR* listing = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(listing)) found = found || is_icu_library(entry->d_name, prefix);
    ::closedir(listing);
  }
#endif
  return found;
}

bool icu_libraries_found(const std::vector<std::string>& folders) {
  for (const char* prefix : {"icuuc", "icuin", "icudt"}) {
    bool found = false;
    for (const std::string& folder : folders) found = found || folder_holds_icu_library(folder, prefix);
    if (!found) return false;
  }
  return true;
}

// libsapucum.dll loads the ICU libraries at the first logon; without one
// the SDK shows a message box and waits until someone closes it. The
// stand-in waits until they are there.
void load_icu_libraries() {
  if (nw_state().icu_loaded) return;
  const std::vector<std::string> folders = icu_folders();
  while (!folders.empty() && !icu_libraries_found(folders)) sleep_ms(100);
  nw_state().icu_loaded = true;
}

std::string narrow(const SAP_UC* text) {
  std::string result;
  for (; text != nullptr && *text != 0; ++text) result += static_cast<char>(*text < 0x100 ? *text : '?');
  return result;
}

void widen_into(SAP_UC* target, std::size_t room, const std::string& text) {
  std::size_t n = std::min(room - 1, text.size());
  for (std::size_t i = 0; i < n; ++i) target[i] = static_cast<SAP_UC>(static_cast<unsigned char>(text[i]));
  target[n] = 0;
}

RFC_RC fail(RFC_ERROR_INFO* error, RFC_RC code, RFC_ERROR_GROUP group, const std::string& key,
            const std::string& message) {
  if (error != nullptr) {
    *error = RFC_ERROR_INFO{};
    error->code = code;
    error->group = group;
    widen_into(error->key, 128, key);
    widen_into(error->message, 512, message);
  }
  return code;
}

void succeed(RFC_ERROR_INFO* error) {
  if (error != nullptr) *error = RFC_ERROR_INFO{};
}

RFC_RC invalid_handle(RFC_ERROR_INFO* error) {
  return fail(error, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "RFC_INVALID_HANDLE",
              "An invalid handle was passed to the API call");
}

RFC_RC invalid_parameter(RFC_ERROR_INFO* error, const char* what, const std::string& name) {
  return fail(error, RFC_INVALID_PARAMETER, EXTERNAL_RUNTIME_FAILURE, "RFC_INVALID_PARAMETER",
              std::string(what) + " '" + name + "' not found");
}

RFC_RC conversion_failure(RFC_ERROR_INFO* error, const std::string& name, const char* why) {
  return fail(error, RFC_CONVERSION_FAILURE, EXTERNAL_APPLICATION_FAILURE, "RFC_CONVERSION_FAILURE",
              "field '" + name + "': " + why);
}

// The settings of the landscape that stop the classic library through its
// error handler stop the SDK in a state the bridge takes as beyond recovery.
RFC_RC broke_down(RFC_ERROR_INFO* error, const char* function) {
  return fail(error, RFC_ILLEGAL_STATE, EXTERNAL_RUNTIME_FAILURE, "RFC_ERROR_SYSTEM_FAILURE",
              std::string(function) + " broke down");
}

Connection* connection_of(RFC_CONNECTION_HANDLE handle) {
  auto found = nw_state().connections.find(reinterpret_cast<Connection*>(handle));
  return found == nw_state().connections.end() ? nullptr : found->second.get();
}

Data* data_of(DATA_CONTAINER_HANDLE handle) { return reinterpret_cast<Data*>(handle); }

// A table handle stands for its current row.
Data* fields_of(DATA_CONTAINER_HANDLE handle) {
  Data* data = data_of(handle);
  if (data == nullptr || data->rows.empty()) return data;
  return data->current_row < data->rows.size() ? data->rows[data->current_row].get() : nullptr;
}

// The field `name` of a container; null, with the SDK's error, when it has
// none.
Value* field_of(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_ERROR_INFO* error) {
  Data* data = fields_of(handle);
  if (data == nullptr) {
    invalid_handle(error);
    return nullptr;
  }
  auto found = data->fields.find(narrow(name));
  if (found == data->fields.end()) {
    invalid_parameter(error, "field", narrow(name));
    return nullptr;
  }
  return &found->second;
}

bool is_characters(FieldKind kind) { return kind == FieldKind::kChar || kind == FieldKind::kNumc; }
bool is_integer(FieldKind kind) {
  return kind == FieldKind::kInt || kind == FieldKind::kInt1 || kind == FieldKind::kInt2 || kind == FieldKind::kInt8;
}

bool takes(FieldKind kind, std::initializer_list<FieldKind> kinds) {
  for (FieldKind taken : kinds) {
    if (kind == taken) return true;
  }
  return false;
}

// What a field keeps of a value its type holds: whole numbers and packed
// numbers in one form ("+007" is "7", 12.5 in a field of two decimals
// "12.50"), everything else as given.
std::string kept_form(const FieldType& type, const std::string& text) {
  if (is_integer(type.kind)) return std::to_string(std::strtoll(text.c_str(), nullptr, 10));
  if (type.kind != FieldKind::kBcd) return text;
  Decimal decimal;
  parse_decimal(text, decimal);
  std::string fraction = decimal.fraction;
  fraction.resize(type.decimals, '0');
  const bool zero = decimal.whole.empty() && fraction.find_first_not_of('0') == std::string::npos;
  return std::string(decimal.negative && !zero ? "-" : "") + (decimal.whole.empty() ? "0" : decimal.whole) +
         (fraction.empty() ? "" : "." + fraction);
}

// A value set into a field must be one its type holds.
RFC_RC set_value(Value& field, const SAP_UC* name, const std::string& text, RFC_ERROR_INFO* error) {
  if (!holds(field.type, text)) return conversion_failure(error, narrow(name), "value does not fit");
  field.text = kept_form(field.type, text);
  nw_state().seen.parameters.emplace_back(narrow(name), field.text);
  succeed(error);
  return RFC_OK;
}

// The field `name` when its type is one of `kinds`; otherwise null, with
// the SDK's conversion failure.
Value* field_of_kind(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, std::initializer_list<FieldKind> kinds,
                     RFC_ERROR_INFO* error) {
  Value* field = field_of(handle, name, error);
  if (field == nullptr) return nullptr;
  if (takes(field->type.kind, kinds)) return field;
  conversion_failure(error, narrow(name), "the field's type does not take this function");
  return nullptr;
}

// The characters "atoi-like": blanks, a sign and the digits up to the first
// other character; none at all are 0. False when the digits exceed 64 bits.
bool atoi_like(const std::string& text, long long& number) {
  std::size_t at = text.find_first_not_of(" \t");
  if (at == std::string::npos) at = text.size();
  const bool negative = at < text.size() && text[at] == '-';
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
  unsigned long long magnitude = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    const unsigned digit = static_cast<unsigned>(text[at] - '0');
    if (magnitude > (static_cast<unsigned long long>(std::numeric_limits<long long>::max()) + 1 - digit) / 10) {
      return false;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (!negative && magnitude > static_cast<unsigned long long>(std::numeric_limits<long long>::max())) return false;
  number = negative ? static_cast<long long>(0 - magnitude) : static_cast<long long>(magnitude);
  return true;
}

// The whole number a field's value gives an integer getter: integers as
// they are, characters atoi-like, packed and floating point numbers rounded
// half away from zero, as ABAP converts them to integers. False when it
// exceeds 64 bits.
bool whole_number(const Value& field, long long& number) {
  switch (field.type.kind) {
    case FieldKind::kChar:
    case FieldKind::kNumc:
      return atoi_like(field.text, number);
    case FieldKind::kBcd: {
      Decimal decimal;
      if (!parse_decimal(field.text, decimal) || decimal.whole.size() > 18) return false;
      number = decimal.whole.empty() ? 0 : std::stoll(decimal.whole);
      if (!decimal.fraction.empty() && decimal.fraction[0] >= '5') ++number;
      if (decimal.negative) number = -number;
      return true;
    }
    case FieldKind::kFloat: {
      const double rounded = std::round(std::strtod(field.text.c_str(), nullptr));
      if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0)) return false;
      number = static_cast<long long>(rounded);
      return true;
    }
    default:
      number = std::strtoll(field.text.c_str(), nullptr, 10);
      return true;
  }
}

template <typename Number>
RFC_RC get_integer(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, Number* value,
                   std::initializer_list<FieldKind> kinds, RFC_ERROR_INFO* error) {
  Value* field = field_of_kind(handle, name, kinds, error);
  if (field == nullptr) return error != nullptr ? error->code : RFC_CONVERSION_FAILURE;
  long long number = 0;
  if (!whole_number(*field, number) || number < std::numeric_limits<Number>::min() ||
      number > std::numeric_limits<Number>::max()) {
    return conversion_failure(error, narrow(name), "value does not fit");
  }
  if (value != nullptr) *value = static_cast<Number>(number);
  succeed(error);
  return RFC_OK;
}

// The integer setters of release 7.50 take every integer field and
// characters; the value must fit the field.
RFC_RC set_integer(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, long long value, RFC_ERROR_INFO* error) {
  Value* field = field_of_kind(
      handle, name, {FieldKind::kChar, FieldKind::kInt, FieldKind::kInt1, FieldKind::kInt2, FieldKind::kInt8}, error);
  if (field == nullptr) return error != nullptr ? error->code : RFC_CONVERSION_FAILURE;
  return set_value(*field, name, std::to_string(value), error);
}

// A number field's value as RfcGetChars gives it: a floating point number in
// the scientific form of ABAP ("1.2500000000000000E+01").
std::string number_text(const Value& field) {
  if (field.type.kind != FieldKind::kFloat) return field.text;
  char text[40];
  std::snprintf(text, sizeof text, "%.16E", std::strtod(field.text.c_str(), nullptr));
  return text;
}

Value initial_value(const FieldType& type) {
  if (type.kind == FieldKind::kChar) return Value{type, ""};
  if (type.kind == FieldKind::kNumc) return Value{type, std::string(type.length, '0')};
  return Value{type, kept_form(type, "0")};
}

std::unique_ptr<Data> lan_table(const System& system, const TypeDescription& row_type) {
  auto table = std::make_unique<Data>();
  table->row_type = &row_type;
  for (std::size_t i = 0; i < system.lan.size(); ++i) {
    auto row = std::make_unique<Data>();
    row->row_type = &row_type;
    auto put = [&](const char* name, const std::string& text) {
      const FieldType& type = row_type.fields.at(name);
      row->fields[name] = Value{type, kept_form(type, text)};
    };
    put("TYPE", "0");
    put("SUBTYPE", "0");
    put("SERIALNR", std::to_string(i + 1));
    put("LANNAME", system.lan[i].name);
    for (int k = 0; k < 6; ++k) put(kCounterFields[k], std::to_string(system.lan[i].counters[k]));
    table->rows.push_back(std::move(row));
  }
  return table;
}

// The error group of a result, by the layer the SDK's header names for it:
// an ABAP message is raised in the function module (ABAP_RUNTIME_FAILURE),
// an exception is the application's; a closed connection, a broken one or a
// failed stream is the network's; what has no group of its own is the
// library's runtime.
RFC_ERROR_GROUP documented_group(RFC_RC code) {
  switch (code) {
    case RFC_OK:
      return OK;
    case RFC_ABAP_EXCEPTION:
    case RFC_ABAP_CLASS_EXCEPTION:
      return ABAP_APPLICATION_FAILURE;
    case RFC_ABAP_RUNTIME_FAILURE:
    case RFC_ABAP_MESSAGE:
      return ABAP_RUNTIME_FAILURE;
    case RFC_LOGON_FAILURE:
      return LOGON_FAILURE;
    case RFC_COMMUNICATION_FAILURE:
    case RFC_CLOSED:
    case RFC_IO_FAILURE:
      return COMMUNICATION_FAILURE;
    case RFC_AUTHORIZATION_FAILURE:
      return EXTERNAL_AUTHORIZATION_FAILURE;
    case RFC_AUTHENTICATION_FAILURE:
      return EXTERNAL_AUTHENTICATION_FAILURE;
    case RFC_CRYPTOLIB_FAILURE:
      return CRYPTOLIB_FAILURE;
    case RFC_LOCKING_FAILURE:
      return LOCKING_FAILURE;
    default:
      return EXTERNAL_RUNTIME_FAILURE;
  }
}

// What RfcInvoke gives for the landscape's receive setting. The code of
// "receive = code N" is the SDK's own.
RFC_RC invoke_outcome(const Outcome& outcome, RFC_ERROR_INFO* error) {
  const std::string message = outcome_message(outcome, "RfcReceive");
  switch (outcome.numbered ? -1 : outcome.code) {
    case kException:
      return fail(error, RFC_ABAP_EXCEPTION, ABAP_APPLICATION_FAILURE, outcome.exception, message);
    case kSystemException:
      return fail(error, RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE, outcome.exception, message);
    case kFailure:
      return fail(error, RFC_EXTERNAL_FAILURE, EXTERNAL_RUNTIME_FAILURE, "RFC_EXTERNAL_FAILURE", message);
    default:
      break;
  }
  const RFC_RC code = static_cast<RFC_RC>(outcome.code);
  return fail(error, code, documented_group(code), "CODE_" + std::to_string(outcome.code), message);
}

// The results after which the SDK has closed the connection itself, as its
// header documents them: RfcInvoke's RFC_ABAP_MESSAGE,
// RFC_ABAP_RUNTIME_FAILURE and RFC_COMMUNICATION_FAILURE, and RFC_CLOSED,
// a connection closed by the other side.
bool closes_connection(RFC_RC code) {
  return code == RFC_ABAP_MESSAGE || code == RFC_ABAP_RUNTIME_FAILURE || code == RFC_COMMUNICATION_FAILURE ||
         code == RFC_CLOSED;
}

void describe_field(const std::string& name, const FieldType& type, SAP_UC* name_area, RFCTYPE& sdk_type,
                    unsigned& nuc_length, unsigned& uc_length, unsigned& decimals) {
  widen_into(name_area, 31, name);
  static const RFCTYPE kTypes[] = {RFCTYPE_CHAR, RFCTYPE_NUM,  RFCTYPE_INT, RFCTYPE_INT1,
                                   RFCTYPE_INT2, RFCTYPE_INT8, RFCTYPE_BCD, RFCTYPE_FLOAT};
  sdk_type = kTypes[static_cast<int>(type.kind)];
  nuc_length = type.length;
  uc_length = is_characters(type.kind) ? 2 * type.length : type.length;
  decimals = type.decimals;
}

}  // namespace

void nw_reset() { nw_state_slot() = std::make_unique<NwState>(); }

void nw_play_loaded_from(const std::string& folder) { nw_state().loaded_from = folder; }

const NwSeen& nw_seen() { return nw_state().seen; }

}  // namespace rfcsim

using rfcsim::nw_state;

extern "C" {

RFC_CONNECTION_HANDLE SAP_API nwrfc::RfcOpenConnection(const RFC_CONNECTION_PARAMETER* params, unsigned count,
                                                       RFC_ERROR_INFO* errorInfo) {
  rfcsim::load_icu_libraries();
  std::map<std::string, std::string> values;
  std::vector<std::pair<std::string, std::string>> passed;
  for (unsigned i = 0; params != nullptr && i < count; ++i) {
    passed.emplace_back(rfcsim::narrow(params[i].name), rfcsim::narrow(params[i].value));
    values[rfcsim::lower(passed.back().first)] = passed.back().second;
  }
  nw_state().seen.opens.push_back(passed);
  const std::vector<rfcsim::System>& systems = nw_state().landscape.systems();
  const std::string& sysnr = values["sysnr"];
  const rfcsim::System* system =
      values["ashost"].empty() ? nullptr : rfcsim::system_at(systems, values["ashost"], std::strtol(sysnr.c_str(), nullptr, 10));
  if (system == nullptr) {
    const rfcsim::Landscape& landscape = nw_state().landscape;
    rfcsim::fail(errorInfo, RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE, "RFC_COMMUNICATION_FAILURE",
                 landscape.found() ? "partner not reached (host " + values["ashost"] + ", system number " + sysnr + ")"
                                   : rfcsim::no_landscape_message("SAP's sapnwrfc.dll", landscape));
    return nullptr;
  }
  // The SDK has one logon for both of the classic library's.
  rfcsim::System logon = *system;
  if (logon.hang.count("RfcOpenEx") != 0) logon.hang.insert("RfcOpen");
  rfcsim::pause_for(logon, "RfcOpen");
  if (system->abort.count("RfcOpen") != 0 || system->abort.count("RfcOpenEx") != 0) {
    rfcsim::broke_down(errorInfo, "RfcOpenConnection");
    return nullptr;
  }
  if (values["client"] != system->client ||
      !rfcsim::same_ignoring_case(rfcsim::without_trailing_blanks(values["user"]), system->user) ||
      rfcsim::without_trailing_blanks(values["passwd"]) != system->password) {
    rfcsim::fail(errorInfo, RFC_LOGON_FAILURE, LOGON_FAILURE, "RFC_LOGON_FAILURE",
                 "Name or password is incorrect (repeat logon)");
    return nullptr;
  }
  auto connection = std::make_unique<rfcsim::Connection>();
  connection->system = *system;
  rfcsim::Connection* handle = connection.get();
  nw_state().connections[handle] = std::move(connection);
  rfcsim::succeed(errorInfo);
  return reinterpret_cast<RFC_CONNECTION_HANDLE>(handle);
}

RFC_RC SAP_API nwrfc::RfcCloseConnection(RFC_CONNECTION_HANDLE handle, RFC_ERROR_INFO* errorInfo) {
  if (nw_state().connections.erase(reinterpret_cast<rfcsim::Connection*>(handle)) == 0) {
    return rfcsim::invalid_handle(errorInfo);
  }
  ++nw_state().seen.closes;
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_FUNCTION_DESC_HANDLE SAP_API nwrfc::RfcGetFunctionDesc(RFC_CONNECTION_HANDLE handle, const SAP_UC* name,
                                                           RFC_ERROR_INFO* errorInfo) {
  rfcsim::Connection* connection = rfcsim::connection_of(handle);
  if (connection == nullptr) {
    rfcsim::invalid_handle(errorInfo);
    return nullptr;
  }
  const rfcsim::System& system = connection->system;
  std::string function = rfcsim::narrow(name);
  rfcsim::pause_for(system, "RfcCall");
  if (system.abort.count("RfcCall") != 0) {
    rfcsim::broke_down(errorInfo, "RfcGetFunctionDesc");
    return nullptr;
  }
  if (function != "GET_LAN_SINGLE") {
    rfcsim::fail(errorInfo, RFC_ABAP_EXCEPTION, ABAP_APPLICATION_FAILURE, "FU_NOT_FOUND",
                 "Function module " + function + " not found");
    return nullptr;
  }
  if (system.call.code != rfcsim::kOk) {
    rfcsim::fail(errorInfo, RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE, "RFC_COMMUNICATION_FAILURE",
                 rfcsim::outcome_message(system.call, "RfcCall"));
    return nullptr;
  }
  auto description = std::make_unique<rfcsim::FunctionDescription>();
  description->name = function;
  for (const rfcsim::FunctionField& field : rfcsim::kLanFunctionFields) {
    auto& fields = field.in_row ? description->lan_single.fields : description->parameters;
    fields[field.name] = rfcsim::field_type(system, field.name);
  }
  rfcsim::FunctionDescription* key = description.get();
  nw_state().descriptions[key] = std::move(description);
  rfcsim::succeed(errorInfo);
  return reinterpret_cast<RFC_FUNCTION_DESC_HANDLE>(key);
}

RFC_RC SAP_API nwrfc::RfcGetParameterDescByName(RFC_FUNCTION_DESC_HANDLE description, const SAP_UC* name,
                                                RFC_PARAMETER_DESC* parameter, RFC_ERROR_INFO* errorInfo) {
  auto found = nw_state().descriptions.find(reinterpret_cast<rfcsim::FunctionDescription*>(description));
  if (found == nw_state().descriptions.end() || parameter == nullptr) return rfcsim::invalid_handle(errorInfo);
  rfcsim::FunctionDescription& function = *found->second;
  const std::string wanted = rfcsim::narrow(name);
  *parameter = RFC_PARAMETER_DESC{};
  if (wanted == rfcsim::kTableName) {
    rfcsim::widen_into(parameter->name, 31, wanted);
    parameter->type = RFCTYPE_TABLE;
    parameter->direction = RFC_TABLES;
    parameter->typeDescHandle = reinterpret_cast<RFC_TYPE_DESC_HANDLE>(&function.lan_single);
    rfcsim::succeed(errorInfo);
    return RFC_OK;
  }
  auto field = function.parameters.find(wanted);
  if (field == function.parameters.end()) return rfcsim::invalid_parameter(errorInfo, "parameter", wanted);
  rfcsim::describe_field(wanted, field->second, parameter->name, parameter->type, parameter->nucLength,
                         parameter->ucLength, parameter->decimals);
  bool importing = wanted == "LOCAL_REMOTE" || wanted == "LOGICAL_DESTINATION";
  parameter->direction = importing ? RFC_IMPORT : static_cast<RFC_DIRECTION>(0x02);
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_FUNCTION_HANDLE SAP_API nwrfc::RfcCreateFunction(RFC_FUNCTION_DESC_HANDLE description,
                                                     RFC_ERROR_INFO* errorInfo) {
  auto found = nw_state().descriptions.find(reinterpret_cast<rfcsim::FunctionDescription*>(description));
  if (found == nw_state().descriptions.end()) {
    rfcsim::invalid_handle(errorInfo);
    return nullptr;
  }
  auto function = std::make_unique<rfcsim::Data>();
  for (const auto& [name, type] : found->second->parameters) function->fields[name] = rfcsim::initial_value(type);
  function->tables[rfcsim::kTableName] = std::make_unique<rfcsim::Data>();
  function->tables[rfcsim::kTableName]->row_type = &found->second->lan_single;
  rfcsim::Data* key = function.get();
  nw_state().functions[key] = std::move(function);
  rfcsim::succeed(errorInfo);
  return reinterpret_cast<RFC_FUNCTION_HANDLE>(key);
}

RFC_RC SAP_API nwrfc::RfcDestroyFunction(RFC_FUNCTION_HANDLE function, RFC_ERROR_INFO* errorInfo) {
  if (nw_state().functions.erase(rfcsim::data_of(function)) == 0) return rfcsim::invalid_handle(errorInfo);
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_TYPE_DESC_HANDLE SAP_API nwrfc::RfcDescribeType(DATA_CONTAINER_HANDLE handle, RFC_ERROR_INFO* errorInfo) {
  rfcsim::Data* data = rfcsim::data_of(handle);
  if (data == nullptr || data->row_type == nullptr) {
    rfcsim::invalid_handle(errorInfo);
    return nullptr;
  }
  rfcsim::succeed(errorInfo);
  return reinterpret_cast<RFC_TYPE_DESC_HANDLE>(const_cast<rfcsim::TypeDescription*>(data->row_type));
}

RFC_RC SAP_API nwrfc::RfcGetFieldDescByName(RFC_TYPE_DESC_HANDLE type, const SAP_UC* name, RFC_FIELD_DESC* field,
                                            RFC_ERROR_INFO* errorInfo) {
  const auto* description = reinterpret_cast<const rfcsim::TypeDescription*>(type);
  if (description == nullptr || field == nullptr) return rfcsim::invalid_handle(errorInfo);
  const std::string wanted = rfcsim::narrow(name);
  auto found = description->fields.find(wanted);
  if (found == description->fields.end()) return rfcsim::invalid_parameter(errorInfo, "field", wanted);
  *field = RFC_FIELD_DESC{};
  rfcsim::describe_field(wanted, found->second, field->name, field->type, field->nucLength, field->ucLength,
                         field->decimals);
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

// Characters into any field the stand-in has: as they stand into CHAR, at
// most the field's length; digits alone into NUMC; into a number field,
// converted as the SDK "tries to convert the string to a number", blanks
// around it allowed.
RFC_RC SAP_API nwrfc::RfcSetChars(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, const SAP_UC* value,
                                  unsigned length, RFC_ERROR_INFO* errorInfo) {
  rfcsim::Value* field = rfcsim::field_of(handle, name, errorInfo);
  if (field == nullptr) return errorInfo != nullptr ? errorInfo->code : RFC_INVALID_PARAMETER;
  std::string text;
  for (unsigned i = 0; value != nullptr && i < length; ++i) text += static_cast<char>(value[i] < 0x100 ? value[i] : '?');
  if (!rfcsim::is_characters(field->type.kind)) return rfcsim::set_value(*field, name, rfcsim::trim(text), errorInfo);
  if (length > field->type.length) {
    return rfcsim::fail(errorInfo, RFC_BUFFER_TOO_SMALL, EXTERNAL_APPLICATION_FAILURE, "RFC_BUFFER_TOO_SMALL",
                        "field '" + rfcsim::narrow(name) + "' holds " + std::to_string(field->type.length) +
                            " characters, not " + std::to_string(length));
  }
  return rfcsim::set_value(*field, name, text, errorInfo);
}

RFC_RC SAP_API nwrfc::RfcSetInt(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT value,
                                RFC_ERROR_INFO* errorInfo) {
  return rfcsim::set_integer(handle, name, value, errorInfo);
}

RFC_RC SAP_API nwrfc::RfcSetInt1(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT1 value,
                                 RFC_ERROR_INFO* errorInfo) {
  return rfcsim::set_integer(handle, name, value, errorInfo);
}

RFC_RC SAP_API nwrfc::RfcSetInt2(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT2 value,
                                 RFC_ERROR_INFO* errorInfo) {
  return rfcsim::set_integer(handle, name, value, errorInfo);
}

RFC_RC SAP_API nwrfc::RfcSetInt8(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT8 value,
                                 RFC_ERROR_INFO* errorInfo) {
  return rfcsim::set_integer(handle, name, value, errorInfo);
}

RFC_RC SAP_API nwrfc::RfcInvoke(RFC_CONNECTION_HANDLE handle, RFC_FUNCTION_HANDLE function,
                                RFC_ERROR_INFO* errorInfo) {
  rfcsim::Connection* connection = rfcsim::connection_of(handle);
  if (connection == nullptr || nw_state().functions.count(rfcsim::data_of(function)) == 0) {
    return rfcsim::invalid_handle(errorInfo);
  }
  const rfcsim::System system = connection->system;
  rfcsim::hang_if(system, "RfcReceive");
  if (system.abort.count("RfcReceive") != 0) return rfcsim::broke_down(errorInfo, "RfcInvoke");
  if (system.receive.code != rfcsim::kOk) {
    RFC_RC code = rfcsim::invoke_outcome(system.receive, errorInfo);
    if (rfcsim::closes_connection(code)) nw_state().connections.erase(connection);
    return code;
  }
  rfcsim::Data& data = *rfcsim::data_of(function);
  for (const rfcsim::FunctionField& field : rfcsim::kLanFunctionFields) {
    if (field.exporting_value != nullptr) {
      rfcsim::Value& value = data.fields[field.name];
      value.text = rfcsim::kept_form(value.type, field.exporting_value);
    }
  }
  data.tables[rfcsim::kTableName] = rfcsim::lan_table(system, *data.tables[rfcsim::kTableName]->row_type);
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_RC SAP_API nwrfc::RfcGetTable(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_TABLE_HANDLE* table,
                                  RFC_ERROR_INFO* errorInfo) {
  rfcsim::Data* data = rfcsim::data_of(handle);
  if (data == nullptr || table == nullptr) return rfcsim::invalid_handle(errorInfo);
  auto found = data->tables.find(rfcsim::narrow(name));
  if (found == data->tables.end()) return rfcsim::invalid_parameter(errorInfo, "table", rfcsim::narrow(name));
  *table = reinterpret_cast<RFC_TABLE_HANDLE>(found->second.get());
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_RC SAP_API nwrfc::RfcGetRowCount(RFC_TABLE_HANDLE table, unsigned* count, RFC_ERROR_INFO* errorInfo) {
  if (rfcsim::data_of(table) == nullptr) return rfcsim::invalid_handle(errorInfo);
  if (count != nullptr) *count = static_cast<unsigned>(rfcsim::data_of(table)->rows.size());
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_RC SAP_API nwrfc::RfcMoveTo(RFC_TABLE_HANDLE table, unsigned index, RFC_ERROR_INFO* errorInfo) {
  rfcsim::Data* data = rfcsim::data_of(table);
  if (data == nullptr) return rfcsim::invalid_handle(errorInfo);
  if (index >= data->rows.size()) {
    return rfcsim::fail(errorInfo, RFC_TABLE_MOVE_EOF, EXTERNAL_RUNTIME_FAILURE, "RFC_TABLE_MOVE_EOF",
                        "row " + std::to_string(index) + " beyond the table");
  }
  data->current_row = index;
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

// The integer getters take the types that the SDK's header lists for each:
// RfcGetInt and RfcGetInt8 every number and, atoi-like, characters;
// RfcGetInt2 every number but no characters. The value must fit.
RFC_RC SAP_API nwrfc::RfcGetInt(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT* value,
                                RFC_ERROR_INFO* errorInfo) {
  using rfcsim::FieldKind;
  return rfcsim::get_integer(handle, name, value,
                             {FieldKind::kInt8, FieldKind::kInt, FieldKind::kInt2, FieldKind::kInt1, FieldKind::kFloat,
                              FieldKind::kChar, FieldKind::kNumc, FieldKind::kBcd},
                             errorInfo);
}

RFC_RC SAP_API nwrfc::RfcGetInt2(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT2* value,
                                 RFC_ERROR_INFO* errorInfo) {
  using rfcsim::FieldKind;
  return rfcsim::get_integer(
      handle, name, value,
      {FieldKind::kInt8, FieldKind::kInt, FieldKind::kInt2, FieldKind::kInt1, FieldKind::kFloat, FieldKind::kBcd},
      errorInfo);
}

RFC_RC SAP_API nwrfc::RfcGetInt8(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT8* value,
                                 RFC_ERROR_INFO* errorInfo) {
  using rfcsim::FieldKind;
  return rfcsim::get_integer(handle, name, value,
                             {FieldKind::kInt8, FieldKind::kInt, FieldKind::kInt2, FieldKind::kInt1, FieldKind::kFloat,
                              FieldKind::kChar, FieldKind::kNumc, FieldKind::kBcd},
                             errorInfo);
}

// The stand-in has no STRING fields, and the SDK's length of a string is
// for strings only.
RFC_RC SAP_API nwrfc::RfcGetStringLength(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, unsigned* length,
                                         RFC_ERROR_INFO* errorInfo) {
  (void)length;
  if (rfcsim::field_of(handle, name, errorInfo) == nullptr) {
    return errorInfo != nullptr ? errorInfo->code : RFC_INVALID_PARAMETER;
  }
  return rfcsim::conversion_failure(errorInfo, rfcsim::narrow(name), "the field is no string");
}

// Every field as characters, into a buffer that holds them all, the rest
// filled with blanks: CHAR and NUMC at their whole length (NUMC with leading
// zeros), a number as its shortest text, left-aligned ("4711      ").
RFC_RC SAP_API nwrfc::RfcGetChars(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, SAP_UC* buffer,
                                  unsigned length, RFC_ERROR_INFO* errorInfo) {
  const rfcsim::Value* field = rfcsim::field_of(handle, name, errorInfo);
  if (field == nullptr) return errorInfo != nullptr ? errorInfo->code : RFC_INVALID_PARAMETER;
  std::string text = field->text;
  if (field->type.kind == rfcsim::FieldKind::kNumc) text.insert(0, field->type.length - text.size(), '0');
  if (!rfcsim::is_characters(field->type.kind)) text = rfcsim::number_text(*field);
  const std::size_t needed = rfcsim::is_characters(field->type.kind) ? field->type.length : text.size();
  if (length < needed) {
    return rfcsim::fail(errorInfo, RFC_BUFFER_TOO_SMALL, EXTERNAL_APPLICATION_FAILURE, "RFC_BUFFER_TOO_SMALL",
                        "field '" + rfcsim::narrow(name) + "' has " + std::to_string(needed) +
                            " characters, the buffer " + std::to_string(length));
  }
  for (unsigned i = 0; buffer != nullptr && i < length; ++i) {
    buffer[i] = i < text.size() ? static_cast<SAP_UC>(static_cast<unsigned char>(text[i])) : SAP_UC(' ');
  }
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

const SAP_UC* SAP_API nwrfc::RfcGetVersion(unsigned* major, unsigned* minor, unsigned* patch) {
  static const SAP_UC kVersion[] = {'7', '5', '0', '0', '.', '0', '.', '0', ' ', 's', 't', 'a', 'n', 'd', '-', 'i', 'n', 0};
  if (major != nullptr) *major = 7500;
  if (minor != nullptr) *minor = 0;
  if (patch != nullptr) *patch = 0;
  return kVersion;
}

}  // extern "C"
