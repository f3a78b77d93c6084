// What the RFC stand-in saw: lets the sensor's tests check the records and
// lists exactly as the sensor handed them to the library. Native builds only.
#ifndef QUILLAR_RFCSIM_RFCSIM_CONTROL_H_
#define QUILLAR_RFCSIM_RFCSIM_CONTROL_H_

#include <optional>
#include <utility>
#include <string>
#include <vector>

namespace rfcsim {

// A text pointer as passed: nothing for a null pointer.
using PassedText = std::optional<std::string>;

struct OpenSeen {
  bool extended = false;  // RfcOpenEx
  std::string connect_string;
  PassedText destination, client, user, password, language;
  int mode = -1;
  int trace = -1;
  // mode 0: the server record; mode 1: the gateway record (host and service).
  PassedText hostname, gateway_host, gateway_service;
  int sysnr = 0;
};

struct ParameterSeen {
  std::string name;
  unsigned nlen, type, leng;
  std::string value;  // the bytes at addr, leng of them (RfcCall only)
};

struct TableSeen {
  std::string name;
  unsigned nlen, type, leng;
  int itmode, newitab;
};

struct CallSeen {
  unsigned handle = 0;
  std::string function;
  std::vector<ParameterSeen> parameters;
  std::vector<TableSeen> tables;
};

struct Seen {
  std::vector<OpenSeen> opens;
  int structure_installs = 0;
  std::vector<CallSeen> calls;     // RfcCall
  std::vector<CallSeen> receives;  // RfcReceive
  int open_tables = 0;  // made by ItCreate and not yet deleted
};

// Forgets what was seen, the connections, the installed structures and the
// error handler, as if the process started anew.
void reset();
const Seen& seen();

// What the NetWeaver stand-in saw.
struct NwSeen {
  // The parameters of each RfcOpenConnection, names and values as passed.
  std::vector<std::vector<std::pair<std::string, std::string>>> opens;
  int closes = 0;
  // Every value set with RfcSetChars or RfcSetInt, by name.
  std::vector<std::pair<std::string, std::string>> parameters;
};

void nw_reset();
const NwSeen& nw_seen();

// Makes the linked NetWeaver stand-in play a sapnwrfc.dll loaded from
// `folder`: its first logon then needs the ICU libraries there, and waits
// until they are, as the SDK's message box waits. Linked into a program
// without this, it needs none. nw_reset() forgets it.
void nw_play_loaded_from(const std::string& folder);

}  // namespace rfcsim

#endif  // QUILLAR_RFCSIM_RFCSIM_CONTROL_H_
