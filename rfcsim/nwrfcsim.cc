// A stand-in for the SAP NetWeaver RFC SDK: the functions of the sensor's
// NetWeaver header, played against the same simulated landscape
// ("RfcSim.ini") as the classic stand-in, its settings mapped to NetWeaver
// results (see README.md here). It writes no trace file of its own.
#define QUILLAR_BUILDING_NWRFC_LIBRARY
#include "rfc/sapnwrfc.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "landscape.h"
#include "rfcsim_control.h"

using namespace nwrfc;

namespace rfcsim {
namespace {

// A function, a table or one of its rows: the SDK's data containers are all
// of one kind.
struct Data {
  std::map<std::string, long long> ints;
  std::map<std::string, std::string> chars;
  std::map<std::string, std::unique_ptr<Data>> tables;
  std::vector<std::unique_ptr<Data>> rows;
  unsigned current_row = 0;
};

struct Connection {
  System system;
};

struct FunctionDescription {
  std::string name;
};

struct NwState {
  NwSeen seen;
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

// The entry of `name` in one of a container's maps, or null.
template <typename Map>
typename Map::mapped_type* entry_of(Data* data, Map Data::*map, const SAP_UC* name) {
  if (data == nullptr) return nullptr;
  auto found = (data->*map).find(narrow(name));
  return found == (data->*map).end() ? nullptr : &found->second;
}

RFC_RC not_found(RFC_ERROR_INFO* error, const char* what, const SAP_UC* name) {
  return fail(error, RFC_NOT_FOUND, EXTERNAL_APPLICATION_FAILURE, "RFC_NOT_FOUND",
              std::string(what) + " " + narrow(name) + " not found");
}

std::unique_ptr<Data> lan_table(const System& system) {
  auto table = std::make_unique<Data>();
  static const char* const kCounterFields[6] = {"IN_PACKETS", "OUT_PACKET", "IN_ERRORS",
                                                "OUT_ERRORS", "COLLISIONS", "PACKETS"};
  for (std::size_t i = 0; i < system.lan.size(); ++i) {
    auto row = std::make_unique<Data>();
    row->ints["TYPE"] = 0;
    row->ints["SUBTYPE"] = 0;
    row->ints["SERIALNR"] = static_cast<long long>(i + 1);
    row->chars["LANNAME"] = system.lan[i].name;
    for (int k = 0; k < 6; ++k) row->ints[kCounterFields[k]] = system.lan[i].counters[k];
    table->rows.push_back(std::move(row));
  }
  return table;
}

void fill_exporting(Data& function, const System& system) {
  function.ints["ACTIVEFLAG"] = 1;
  for (const char* name : {"DETAILSCOLL", "DETAILSMODE", "DETAILSREQI"}) function.ints[name] = 0;
  for (const char* name : {"INTERVAL", "LASTCOLLINT", "NORMCOLLINT"}) function.ints[name] = 10;
  function.chars["F_LAN_SINGLE_READ"] = "X";
  function.chars["LASTCOLLWRT"] = "20261210064500";
  function.tables["TF_LAN_SINGLE"] = lan_table(system);
}

// What RfcInvoke gives for the landscape's receive setting.
RFC_RC invoke_outcome(const Outcome& outcome, RFC_ERROR_INFO* error) {
  const std::string message = outcome_message(outcome, "RfcReceive");
  switch (outcome.code) {
    case kException:
      return fail(error, RFC_ABAP_EXCEPTION, ABAP_APPLICATION_FAILURE, outcome.exception, message);
    case kSystemException:
      return fail(error, RFC_ABAP_RUNTIME_FAILURE, ABAP_RUNTIME_FAILURE, outcome.exception, message);
    case kFailure:
      return fail(error, RFC_EXTERNAL_FAILURE, EXTERNAL_RUNTIME_FAILURE, "RFC_EXTERNAL_FAILURE", message);
    default:
      return fail(error, RFC_UNKNOWN_ERROR, EXTERNAL_RUNTIME_FAILURE, "RFC_UNKNOWN_ERROR", message);
  }
}

}  // namespace

void nw_reset() { nw_state_slot() = std::make_unique<NwState>(); }

const NwSeen& nw_seen() { return nw_state().seen; }

}  // namespace rfcsim

using rfcsim::nw_state;

extern "C" {

RFC_CONNECTION_HANDLE SAP_API nwrfc::RfcOpenConnection(const RFC_CONNECTION_PARAMETER* params, unsigned count,
                                                       RFC_ERROR_INFO* errorInfo) {
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
    rfcsim::fail(errorInfo, RFC_COMMUNICATION_FAILURE, COMMUNICATION_FAILURE, "RFC_COMMUNICATION_FAILURE",
                 "partner not reached (host " + values["ashost"] + ", system number " + sysnr + ")");
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
    return rfcsim::fail(errorInfo, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "RFC_INVALID_HANDLE",
                        "An invalid handle was passed to the API call");
  }
  ++nw_state().seen.closes;
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_FUNCTION_DESC_HANDLE SAP_API nwrfc::RfcGetFunctionDesc(RFC_CONNECTION_HANDLE handle, const SAP_UC* name,
                                                           RFC_ERROR_INFO* errorInfo) {
  rfcsim::Connection* connection = rfcsim::connection_of(handle);
  if (connection == nullptr) {
    rfcsim::fail(errorInfo, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "RFC_INVALID_HANDLE",
                 "An invalid handle was passed to the API call");
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
    rfcsim::fail(errorInfo, RFC_NOT_FOUND, ABAP_APPLICATION_FAILURE, "FU_NOT_FOUND",
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
  rfcsim::FunctionDescription* key = description.get();
  nw_state().descriptions[key] = std::move(description);
  rfcsim::succeed(errorInfo);
  return reinterpret_cast<RFC_FUNCTION_DESC_HANDLE>(key);
}

RFC_FUNCTION_HANDLE SAP_API nwrfc::RfcCreateFunction(RFC_FUNCTION_DESC_HANDLE description,
                                                     RFC_ERROR_INFO* errorInfo) {
  if (nw_state().descriptions.count(reinterpret_cast<rfcsim::FunctionDescription*>(description)) == 0) {
    rfcsim::fail(errorInfo, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "RFC_INVALID_HANDLE",
                 "An invalid handle was passed to the API call");
    return nullptr;
  }
  auto function = std::make_unique<rfcsim::Data>();
  rfcsim::Data* key = function.get();
  nw_state().functions[key] = std::move(function);
  rfcsim::succeed(errorInfo);
  return reinterpret_cast<RFC_FUNCTION_HANDLE>(key);
}

RFC_RC SAP_API nwrfc::RfcDestroyFunction(RFC_FUNCTION_HANDLE function, RFC_ERROR_INFO* errorInfo) {
  nw_state().functions.erase(rfcsim::data_of(function));
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_RC SAP_API nwrfc::RfcSetChars(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, const SAP_UC* value,
                                  unsigned length, RFC_ERROR_INFO* errorInfo) {
  std::string text;
  for (unsigned i = 0; value != nullptr && i < length; ++i) text += static_cast<char>(value[i] < 0x100 ? value[i] : '?');
  rfcsim::data_of(handle)->chars[rfcsim::narrow(name)] = text;
  nw_state().seen.parameters.emplace_back(rfcsim::narrow(name), text);
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_RC SAP_API nwrfc::RfcSetInt(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT value,
                                RFC_ERROR_INFO* errorInfo) {
  rfcsim::data_of(handle)->ints[rfcsim::narrow(name)] = value;
  nw_state().seen.parameters.emplace_back(rfcsim::narrow(name), std::to_string(value));
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_RC SAP_API nwrfc::RfcInvoke(RFC_CONNECTION_HANDLE handle, RFC_FUNCTION_HANDLE function,
                                RFC_ERROR_INFO* errorInfo) {
  rfcsim::Connection* connection = rfcsim::connection_of(handle);
  if (connection == nullptr || nw_state().functions.count(rfcsim::data_of(function)) == 0) {
    return rfcsim::fail(errorInfo, RFC_INVALID_HANDLE, EXTERNAL_RUNTIME_FAILURE, "RFC_INVALID_HANDLE",
                        "An invalid handle was passed to the API call");
  }
  const rfcsim::System& system = connection->system;
  rfcsim::hang_if(system, "RfcReceive");
  if (system.abort.count("RfcReceive") != 0) return rfcsim::broke_down(errorInfo, "RfcInvoke");
  if (system.receive.code != rfcsim::kOk) return rfcsim::invoke_outcome(system.receive, errorInfo);
  rfcsim::fill_exporting(*rfcsim::data_of(function), system);
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_RC SAP_API nwrfc::RfcGetTable(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_TABLE_HANDLE* table,
                                  RFC_ERROR_INFO* errorInfo) {
  auto* found = rfcsim::entry_of(rfcsim::data_of(handle), &rfcsim::Data::tables, name);
  if (found == nullptr || table == nullptr) return rfcsim::not_found(errorInfo, "table", name);
  *table = reinterpret_cast<RFC_TABLE_HANDLE>(found->get());
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_RC SAP_API nwrfc::RfcGetRowCount(RFC_TABLE_HANDLE table, unsigned* count, RFC_ERROR_INFO* errorInfo) {
  if (count != nullptr) *count = static_cast<unsigned>(rfcsim::data_of(table)->rows.size());
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_RC SAP_API nwrfc::RfcMoveTo(RFC_TABLE_HANDLE table, unsigned index, RFC_ERROR_INFO* errorInfo) {
  rfcsim::Data* data = rfcsim::data_of(table);
  if (index >= data->rows.size()) {
    return rfcsim::fail(errorInfo, RFC_TABLE_MOVE_EOF, EXTERNAL_RUNTIME_FAILURE, "RFC_TABLE_MOVE_EOF",
                        "row " + std::to_string(index) + " beyond the table");
  }
  data->current_row = index;
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_RC SAP_API nwrfc::RfcGetInt(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT* value,
                                RFC_ERROR_INFO* errorInfo) {
  auto* found = rfcsim::entry_of(rfcsim::fields_of(handle), &rfcsim::Data::ints, name);
  if (found == nullptr) return rfcsim::not_found(errorInfo, "field", name);
  if (value != nullptr) *value = static_cast<RFC_INT>(*found);
  rfcsim::succeed(errorInfo);
  return RFC_OK;
}

RFC_RC SAP_API nwrfc::RfcGetInt2(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, RFC_INT2* value,
                                 RFC_ERROR_INFO* errorInfo) {
  RFC_INT wide = 0;
  RFC_RC code = nwrfc::RfcGetInt(handle, name, &wide, errorInfo);
  if (code == RFC_OK && value != nullptr) *value = static_cast<RFC_INT2>(wide);
  return code;
}

RFC_RC SAP_API nwrfc::RfcGetChars(DATA_CONTAINER_HANDLE handle, const SAP_UC* name, SAP_UC* buffer,
                                  unsigned length, RFC_ERROR_INFO* errorInfo) {
  const std::string* found = rfcsim::entry_of(rfcsim::fields_of(handle), &rfcsim::Data::chars, name);
  if (found == nullptr) return rfcsim::not_found(errorInfo, "field", name);
  for (unsigned i = 0; buffer != nullptr && i < length; ++i) {
    buffer[i] = i < found->size() ? static_cast<SAP_UC>(static_cast<unsigned char>((*found)[i])) : SAP_UC(' ');
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
