// A stand-in for the SAP classic RFC library: every operation of the sensor's
// RFC header, played against a simulated SAP landscape that the file
// "RfcSim.ini" of the working directory describes (see README.md here).
#define QUILLAR_BUILDING_RFC_LIBRARY
#include "rfc/rfc_library.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "landscape.h"
#include "rfcsim_control.h"

namespace rfcsim {
namespace {


struct Field {
  std::string name;
  unsigned type, length, offset;
};

struct Structure {
  std::vector<Field> fields;
  unsigned size = 0;
};

struct Table {
  unsigned line_length;
  std::vector<std::vector<char>> rows;
};

struct State {
  Seen seen;
  RFC_ERROR_HANDLER handler = nullptr;
  std::map<RFC_HANDLE, System> connections;
  RFC_HANDLE next_handle = 1;
  // The system of the last logon: its fail= settings govern the table
  // operations, which know no connection.
  System current;
  std::map<RFC_TYPEHANDLE, Structure> structures;
  RFC_TYPEHANDLE next_type = 1;
  RFC_ERROR_INFO last_error{};
  std::string exception_name;
  int trace_blocks = 0;
  Landscape landscape;
};

std::unique_ptr<State>& state_slot() {
  static std::unique_ptr<State> slot = std::make_unique<State>();
  return slot;
}

State& state() { return *state_slot(); }

std::string text_of(const char* text) { return text != nullptr ? text : ""; }
PassedText passed(const char* text) { return text != nullptr ? PassedText(text) : std::nullopt; }

void copy_text(char* target, std::size_t room, const std::string& text) {
  std::snprintf(target, room, "%s", text.c_str());
}

// The line after the head of each trace block that tells the reader of a
// probe's trace which library wrote it. It is neither an "ERROR " line nor
// an arrow line, and shorter than the pieces in which the sensor reads the
// trace, so the sensor still quotes the block's error text.
constexpr char kTraceIdentification[] =
    "Quillar's stand-in for trials, systems read from RfcSim.ini, not SAP's RFC library";

// Records the error for RfcLastError and appends its block to the trace file.
void set_error(const std::string& key, const std::string& message) {
  State& s = state();
  s.last_error = RFC_ERROR_INFO{};
  copy_text(s.last_error.key, sizeof s.last_error.key, key);
  copy_text(s.last_error.status, sizeof s.last_error.status, "CONNECTED");
  copy_text(s.last_error.message, sizeof s.last_error.message, message);
  copy_text(s.last_error.intstat, sizeof s.last_error.intstat, "RFCIO_ERROR_MESSAGE");
  if (std::FILE* trace = open_here(kTraceFile, "ab")) {
    std::time_t now = std::time(nullptr);
    char when[64];
    std::strftime(when, sizeof when, "%a %b %d %H:%M:%S %Y", std::localtime(&now));
    s.trace_blocks = (s.trace_blocks + 1) % 10000;
    std::fprintf(trace, "\n**** ERROR file opened at %s\n%s\nT:%04d ======> %s\n", when, kTraceIdentification,
                 s.trace_blocks, message.c_str());
    std::fclose(trace);
  }
}

// Calls the installed error handler, as the library does when one of its
// operations breaks down. The handler is not meant to return.
void abort_operation(const char* operation) {
  set_error("RFC_ERROR_SYSTEM_FAILURE", std::string(operation) + " broke down");
  if (state().handler == nullptr) return;
  char name[64];
  copy_text(name, sizeof name, operation);
  state().handler(name);
}

bool fails(const char* operation) { return state().current.fail.count(operation) != 0; }

System* connection(RFC_HANDLE handle) {
  auto found = state().connections.find(handle);
  if (found != state().connections.end()) return &found->second;
  set_error("RFC_ERROR_PROGRAM", "invalid handle " + std::to_string(handle));
  return nullptr;
}

// Logs on to `system` unless the landscape says otherwise; gives the handle.
RFC_HANDLE log_on(const System* system, const char* operation, const std::string& where,
                  const std::string& client, const std::string& user, const std::string& password) {
  if (system == nullptr) {
    const Landscape& landscape = state().landscape;
    set_error("RFC_ERROR_COMMUNICATION", landscape.found() ? "partner not reached (" + where + ")"
                                                           : no_landscape_message("SAP's librfc32.dll", landscape));
    return 0;
  }
  pause_for(*system, operation);
  if (system->abort.count(operation) != 0) {
    state().current = *system;
    abort_operation(operation);
    return 0;
  }
  if (client != system->client || !same_ignoring_case(without_trailing_blanks(user), system->user) ||
      without_trailing_blanks(password) != system->password) {
    set_error("RFC_ERROR_LOGON_FAILURE", "Name or password is incorrect (repeat logon)");
    return 0;
  }
  // Files of the library's own, as a real library may leave in the working
  // directory.
  for (const std::string& name : system->leave) {
    if (std::FILE* file = open_here(name.c_str(), "ab")) {
      std::fprintf(file, "logon to %s\n", system->name.c_str());
      std::fclose(file);
    }
  }
  RFC_HANDLE handle = state().next_handle++;
  state().connections[handle] = *system;
  state().current = *system;
  return handle;
}

// The value of `key` in the connect string, up to the next known key.
std::string connect_value(const std::string& connect, const std::string& key, const std::string& next) {
  std::size_t at = connect.find(key);
  if (at == std::string::npos) return "";
  at += key.size();
  std::size_t end = next.empty() ? std::string::npos : connect.rfind(next);
  if (end == std::string::npos || end < at) end = connect.size();
  return connect.substr(at, end - at);
}

void write_int(void* area, unsigned length, std::int32_t value) {
  if (length == 4) std::memcpy(area, &value, 4);
  if (length == 2) {
    std::int16_t narrow = static_cast<std::int16_t>(value);
    std::memcpy(area, &narrow, 2);
  }
}

void write_chars(void* area, unsigned length, const std::string& text) {
  std::memset(area, ' ', length);
  std::memcpy(area, text.data(), std::min<std::size_t>(length, text.size()));
}

std::vector<char> lan_row(const Structure& structure, const LanLine& lan, std::size_t number) {
  std::vector<char> row(structure.size, '\0');
  for (const Field& field : structure.fields) {
    void* area = row.data() + field.offset;
    if (field.name == "LANNAME" && field.type == TYPC) {
      write_chars(area, field.length, lan.name);
    } else if (field.name == "SERIALNR") {
      write_int(area, field.length, static_cast<std::int32_t>(number));
    }
    for (int k = 0; k < 6; ++k) {
      if (field.name == kCounterFields[k] && field.type == TYPINT) {
        write_int(area, field.length, static_cast<std::int32_t>(lan.counters[k]));
      }
    }
  }
  return row;
}

void write_exporting(RFC_PARAMETER* parameters) {
  for (RFC_PARAMETER* p = parameters; p != nullptr && p->name != nullptr; ++p) {
    if (p->addr == nullptr) continue;
    std::string name = p->name;
    if (p->type == TYPINT) {
      write_int(p->addr, p->leng, name == "ACTIVEFLAG" ? 1 : (name.find("INT") != std::string::npos ? 10 : 0));
    } else if (p->type == TYPC) {
      write_chars(p->addr, p->leng, name == "F_LAN_SINGLE_READ" ? "X" : "20261210064500");
    }
  }
}

CallSeen call_seen(RFC_HANDLE handle, const char* function, RFC_PARAMETER* parameters, RFC_TABLE* tables,
                   bool with_values) {
  CallSeen call;
  call.handle = handle;
  call.function = text_of(function);
  for (RFC_PARAMETER* p = parameters; p != nullptr && p->name != nullptr; ++p) {
    std::string value;
    if (with_values && p->addr != nullptr) value.assign(static_cast<const char*>(p->addr), p->leng);
    call.parameters.push_back(ParameterSeen{p->name, p->nlen, p->type, p->leng, value});
  }
  for (RFC_TABLE* t = tables; t != nullptr && t->name != nullptr; ++t) {
    call.tables.push_back(TableSeen{t->name, t->nlen, t->type, t->leng, t->itmode, t->newitab});
  }
  return call;
}

// Gives the code of an outcome other than success, with its trace block.
RFC_RC failed(const Outcome& outcome, const char* operation) {
  set_error(outcome.code == RFC_FAILURE ? "RFC_ERROR_COMMUNICATION" : "RFC_ERROR_APPLICATION_EXCEPTION",
            outcome_message(outcome, operation));
  return outcome.code;
}

}  // namespace

void reset() { state_slot() = std::make_unique<State>(); }

const Seen& seen() { return state().seen; }

}  // namespace rfcsim

using rfcsim::state;

extern "C" {

void RFC_ENTRY RfcEnvironment(RFC_ENV* environment) {
  state().handler = environment != nullptr ? environment->errorhandler : nullptr;
}

RFC_HANDLE RFC_ENTRY RfcOpen(RFC_OPTIONS* options) {
  if (options == nullptr) return 0;
  rfcsim::OpenSeen open;
  open.destination = rfcsim::passed(options->destination);
  open.client = rfcsim::passed(options->client);
  open.user = rfcsim::passed(options->user);
  open.password = rfcsim::passed(options->password);
  open.language = rfcsim::passed(options->language);
  open.mode = options->mode;
  open.trace = options->trace;
  const std::vector<rfcsim::System>& systems = state().landscape.systems();
  const rfcsim::System* system = nullptr;
  std::string where;
  if (options->mode == 1) {
    const auto* gateway = static_cast<const RFC_CONNOPT_CPIC*>(options->connopt);
    if (gateway != nullptr) {
      open.gateway_host = rfcsim::passed(gateway->gateway_host);
      open.gateway_service = rfcsim::passed(gateway->gateway_service);
      where = "gateway " + rfcsim::text_of(gateway->gateway_host) + ", service " +
              rfcsim::text_of(gateway->gateway_service);
      for (const rfcsim::System& candidate : systems) {
        if (!candidate.gwhost.empty() && gateway->gateway_host != nullptr && gateway->gateway_service != nullptr &&
            rfcsim::same_ignoring_case(candidate.gwhost, gateway->gateway_host) &&
            rfcsim::same_ignoring_case(candidate.gwserv, gateway->gateway_service)) {
          system = &candidate;
          break;
        }
      }
    }
  } else {
    const auto* server = static_cast<const RFC_CONNOPT_R3*>(options->connopt);
    if (server != nullptr) {
      open.hostname = rfcsim::passed(server->hostname);
      open.sysnr = server->sysnr;
      open.gateway_host = rfcsim::passed(server->gateway_host);
      open.gateway_service = rfcsim::passed(server->gateway_service);
      where = "host " + rfcsim::text_of(server->hostname) + ", system number " + std::to_string(server->sysnr);
      if (server->hostname != nullptr) system = rfcsim::system_at(systems, server->hostname, server->sysnr);
    }
  }
  state().seen.opens.push_back(open);
  return rfcsim::log_on(system, "RfcOpen", where, rfcsim::text_of(options->client),
                        rfcsim::text_of(options->user), rfcsim::text_of(options->password));
}

RFC_HANDLE RFC_ENTRY RfcOpenEx(const char* connect_parameters, RFC_ERROR_INFO_EX* error_info) {
  std::string connect = rfcsim::text_of(connect_parameters);
  rfcsim::OpenSeen open;
  open.extended = true;
  open.connect_string = connect;
  state().seen.opens.push_back(open);

  std::string destination = rfcsim::connect_value(connect, " DEST=", "");
  std::string ashost;
  long sysnr = -1;
  bool found = false;
  bool in_entry = false;
  // As the library's documentation says: the file that RFC_INI names, or
  // else saprfc.ini of the working directory.
  std::string destinations = rfcsim::environment_value("RFC_INI");
  if (destinations.empty()) destinations = rfcsim::kDestinationsFile;
  for (const std::string& raw : rfcsim::lines_at(destinations, found)) {
    std::string line = rfcsim::trim(raw);
    std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string key = rfcsim::lower(rfcsim::trim(line.substr(0, equals)));
    std::string value = rfcsim::trim(line.substr(equals + 1));
    if (key == "dest") in_entry = rfcsim::same_ignoring_case(value, destination);
    if (!in_entry) continue;
    if (key == "ashost") ashost = value;
    if (key == "sysnr") sysnr = std::strtol(value.c_str(), nullptr, 10);
  }
  const std::vector<rfcsim::System>& systems = state().landscape.systems();
  const rfcsim::System* system = ashost.empty() ? nullptr : rfcsim::system_at(systems, ashost, sysnr);
  RFC_HANDLE handle = rfcsim::log_on(
      system, "RfcOpenEx", "destination " + destination, rfcsim::connect_value(connect, "CLIENT=", " USER="),
      rfcsim::connect_value(connect, " USER=", " PASSWD="), rfcsim::connect_value(connect, " PASSWD=", " LANG="));
  if (handle == 0 && error_info != nullptr) {
    error_info->group = 1;
    rfcsim::copy_text(error_info->key, sizeof error_info->key, state().last_error.key);
    rfcsim::copy_text(error_info->message, sizeof error_info->message, state().last_error.message);
  }
  return handle;
}

void RFC_ENTRY RfcClose(RFC_HANDLE handle) {
  if (handle == 0) {
    state().connections.clear();
  } else {
    state().connections.erase(handle);
  }
}

int RFC_ENTRY RfcLastError(RFC_ERROR_INFO* error_info) {
  if (error_info != nullptr) *error_info = state().last_error;
  return 0;
}

RFC_RC RFC_ENTRY RfcInstallStructure(const char* name, RFC_TYPE_ELEMENT* elements, unsigned entries,
                                     RFC_TYPEHANDLE* type_handle) {
  ++state().seen.structure_installs;
  if (rfcsim::fails("RfcInstallStructure") || elements == nullptr || type_handle == nullptr) {
    rfcsim::set_error("RFC_ERROR_PROGRAM", "structure " + rfcsim::text_of(name) + " not installed");
    return RFC_FAILURE;
  }
  rfcsim::Structure structure;
  for (unsigned i = 0; i < entries; ++i) {
    unsigned align = elements[i].type == TYPINT ? 4 : elements[i].type == TYPINT2 ? 2 : 1;
    unsigned offset = (structure.size + align - 1) / align * align;
    structure.fields.push_back(
        rfcsim::Field{rfcsim::text_of(elements[i].name), elements[i].type, elements[i].length, offset});
    structure.size = offset + elements[i].length;
  }
  structure.size = (structure.size + 3) / 4 * 4;
  *type_handle = state().next_type++;
  state().structures[*type_handle] = structure;
  return RFC_OK;
}

RFC_RC RFC_ENTRY RfcCall(RFC_HANDLE handle, const char* function, RFC_PARAMETER* parameters, RFC_TABLE* tables) {
  state().seen.calls.push_back(rfcsim::call_seen(handle, function, parameters, tables, true));
  rfcsim::System* system = rfcsim::connection(handle);
  if (system == nullptr) return RFC_FAILURE;
  rfcsim::pause_for(*system, "RfcCall");
  if (system->abort.count("RfcCall") != 0) {
    rfcsim::abort_operation("RfcCall");
    return RFC_FAILURE;
  }
  if (rfcsim::text_of(function) != "GET_LAN_SINGLE") {
    rfcsim::set_error("RFC_ERROR_SYSTEM_FAILURE", "Function module " + rfcsim::text_of(function) + " not found");
    return RFC_FAILURE;
  }
  if (system->call.code != RFC_OK) return rfcsim::failed(system->call, "RfcCall");
  return RFC_OK;
}

RFC_RC RFC_ENTRY RfcReceive(RFC_HANDLE handle, RFC_PARAMETER* parameters, RFC_TABLE* tables, char** exception) {
  state().seen.receives.push_back(rfcsim::call_seen(handle, nullptr, parameters, tables, false));
  rfcsim::System* system = rfcsim::connection(handle);
  if (system == nullptr) return RFC_FAILURE;
  rfcsim::hang_if(*system, "RfcReceive");
  if (system->abort.count("RfcReceive") != 0) {
    rfcsim::abort_operation("RfcReceive");
    return RFC_FAILURE;
  }
  const rfcsim::Outcome& outcome = system->receive;
  if (outcome.code != RFC_OK) {
    if (exception != nullptr && (outcome.code == RFC_EXCEPTION || outcome.code == RFC_SYS_EXCEPTION)) {
      state().exception_name = outcome.exception;
      *exception = state().exception_name.data();
    }
    return rfcsim::failed(outcome, "RfcReceive");
  }
  rfcsim::write_exporting(parameters);
  for (RFC_TABLE* t = tables; t != nullptr && t->name != nullptr; ++t) {
    if (std::string(t->name) != "TF_LAN_SINGLE") continue;
    auto structure = state().structures.find(t->type);
    auto* table = static_cast<rfcsim::Table*>(t->ithandle);
    if (structure == state().structures.end() || table == nullptr || structure->second.size != table->line_length) {
      rfcsim::set_error("RFC_ERROR_PROGRAM", "table TF_LAN_SINGLE does not fit LAN_SINGLE");
      return RFC_FAILURE;
    }
    // A system of wider fields may hold counters that no classic field holds.
    for (const rfcsim::LanLine& lan : system->lan) {
      for (int k = 0; k < 6; ++k) {
        if (lan.counters[k] < INT32_MIN || lan.counters[k] > INT32_MAX) {
          rfcsim::set_error("RFC_ERROR_PROGRAM", std::string("value of ") + rfcsim::kCounterFields[k] +
                                                     " does not fit 4 bytes");
          return RFC_FAILURE;
        }
      }
    }
    for (std::size_t i = 0; i < system->lan.size(); ++i) {
      table->rows.push_back(rfcsim::lan_row(structure->second, system->lan[i], i + 1));
    }
  }
  return RFC_OK;
}

ITAB_H RFC_ENTRY ItCreate(const char* name, unsigned leng, unsigned occu, unsigned memo) {
  (void)occu;
  (void)memo;
  if (rfcsim::fails("ItCreate")) {
    rfcsim::set_error("RFC_ERROR_MEMORY", "no memory for table " + rfcsim::text_of(name));
    return nullptr;
  }
  ++state().seen.open_tables;
  return new rfcsim::Table{leng, {}};
}

unsigned RFC_ENTRY ItFill(ITAB_H table) {
  if (state().current.claimed_fill >= 0) return static_cast<unsigned>(state().current.claimed_fill);
  return table != nullptr ? static_cast<unsigned>(static_cast<rfcsim::Table*>(table)->rows.size()) : 0;
}

void* RFC_ENTRY ItGetLine(ITAB_H table, unsigned line) {
  auto* rows = static_cast<rfcsim::Table*>(table);
  if (rows == nullptr || rfcsim::fails("ItGetLine") || line == 0 || line > rows->rows.size()) {
    rfcsim::set_error("RFC_ERROR_PROGRAM", "line " + std::to_string(line) + " of the table not found");
    return nullptr;
  }
  return rows->rows[line - 1].data();
}

#ifndef RFCSIM_WITHOUT_ITDELETE
int RFC_ENTRY ItDelete(ITAB_H table) {
  if (table == nullptr) {
    rfcsim::set_error("RFC_ERROR_PROGRAM", "no table to delete");
    return 1;
  }
  --state().seen.open_tables;
  delete static_cast<rfcsim::Table*>(table);
  if (!rfcsim::fails("ItDelete")) return 0;
  rfcsim::set_error("RFC_ERROR_MEMORY", "table could not be freed");
  return 1;
}

#endif  // RFCSIM_WITHOUT_ITDELETE

}  // extern "C"
