#include "rfc/nwrfc_bridge.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/errors.h"
#include "base/texts.h"
#include "platform/line_reader.h"
#include "rfc/rfc_files.h"
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
    "RFC_ABAP_CLASS_EXCEPTION", "RFC_UNKNOWN_ERROR", "RFC_AUTHORIZATION_FAILURE", "RFC_AUTHENTICATION_FAILURE",
    "RFC_CRYPTOLIB_FAILURE", "RFC_IO_FAILURE", "RFC_LOCKING_FAILURE"};
constexpr const char* kGroupNames[] = {"OK",
                                       "ABAP_APPLICATION_FAILURE",
                                       "ABAP_RUNTIME_FAILURE",
                                       "LOGON_FAILURE",
                                       "COMMUNICATION_FAILURE",
                                       "EXTERNAL_RUNTIME_FAILURE",
                                       "EXTERNAL_APPLICATION_FAILURE",
                                       "EXTERNAL_AUTHORIZATION_FAILURE",
                                       "EXTERNAL_AUTHENTICATION_FAILURE",
                                       "CRYPTOLIB_FAILURE",
                                       "LOCKING_FAILURE"};

// The most characters a field's value may have; the classic fields hold far
// fewer.
constexpr unsigned kLongestFieldText = 65536;
// Room enough for the text of any packed number (31 digits, a sign and a
// point) and of any floating point number.
constexpr unsigned kLongestNumberText = 64;

// The ICU libraries of the SDK, by the beginning of their names.
constexpr const char* kIcuLibraries[] = {"icuuc", "icuin", "icudt"};

// An ICU library of any version: the prefix, the version's digits and
// ".dll", in any letter case. Windows' own unversioned icuuc.dll is none
// that the SDK loads.
bool is_icu_library(std::string_view name, std::string_view prefix) {
  const std::string upper = upper_case(name);
  const std::string start = upper_case(prefix);
  constexpr std::string_view kEnd = ".DLL";
  if (upper.size() <= start.size() + kEnd.size() || upper.compare(0, start.size(), start) != 0 ||
      upper.compare(upper.size() - kEnd.size(), kEnd.size(), kEnd) != 0) {
    return false;
  }
  const std::string version = upper.substr(start.size(), upper.size() - start.size() - kEnd.size());
  return version.find_first_not_of("0123456789") == std::string::npos;
}

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

bool is_character_type(nwrfc::RFCTYPE type) {
  return type == nwrfc::RFCTYPE_CHAR || type == nwrfc::RFCTYPE_NUM || type == nwrfc::RFCTYPE_DATE ||
         type == nwrfc::RFCTYPE_TIME || type == nwrfc::RFCTYPE_STRING;
}

// The whole number that characters hold: digits, a minus sign before them,
// blanks around them. Nothing else is a number, blanks alone included.
bool whole_number(std::string_view text, long long& value) {
  std::string digits = trimmed(text);
  bool negative = !digits.empty() && digits[0] == '-';
  if (negative) digits.erase(0, 1);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  if (digits.size() > 18) return false;
  value = std::stoll(digits);
  if (negative) value = -value;
  return true;
}

// A whole number into a classic integer field, when it fits its width.
bool store_integer(long long value, unsigned type, unsigned length, char* area) {
  if (type == TYPINT && length >= 4 && value >= INT32_MIN && value <= INT32_MAX) {
    std::int32_t wide = static_cast<std::int32_t>(value);
    std::memcpy(area, &wide, 4);
    return true;
  }
  if (type == TYPINT2 && length >= 2 && value >= INT16_MIN && value <= INT16_MAX) {
    std::int16_t narrow = static_cast<std::int16_t>(value);
    std::memcpy(area, &narrow, 2);
    return true;
  }
  return false;
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

// What the bridge itself refuses, it refuses with the SDK's code for it.
nwrfc::RFC_RC own_failure(nwrfc::RFC_RC code, nwrfc::RFC_ERROR_INFO& error) {
  error = nwrfc::RFC_ERROR_INFO{};
  error.code = code;
  error.group = nwrfc::EXTERNAL_APPLICATION_FAILURE;
  return code;
}

}  // namespace

std::string rc_name(nwrfc::RFC_RC code) {
  int index = static_cast<int>(code);
  return index >= 0 && index < static_cast<int>(std::size(kRcNames)) ? kRcNames[index]
                                                                      : "RFC_RC " + std::to_string(index);
}

std::string group_name(nwrfc::RFC_ERROR_GROUP group) {
  int index = static_cast<int>(group);
  return index >= 0 && index < static_cast<int>(std::size(kGroupNames)) ? kGroupNames[index]
                                                                         : "RFC_ERROR_GROUP " + std::to_string(index);
}

bool closes_connection(nwrfc::RFC_RC code, nwrfc::RFC_ERROR_GROUP group) {
  switch (code) {
    case nwrfc::RFC_COMMUNICATION_FAILURE:
    case nwrfc::RFC_ABAP_RUNTIME_FAILURE:
    case nwrfc::RFC_ABAP_MESSAGE:
    case nwrfc::RFC_CLOSED:
    case nwrfc::RFC_EXTERNAL_FAILURE:
    case nwrfc::RFC_AUTHENTICATION_FAILURE:
    case nwrfc::RFC_CRYPTOLIB_FAILURE:
    case nwrfc::RFC_IO_FAILURE:
    case nwrfc::RFC_LOCKING_FAILURE:
      return true;
    default:
      return group == nwrfc::ABAP_RUNTIME_FAILURE || group == nwrfc::LOGON_FAILURE ||
             group == nwrfc::COMMUNICATION_FAILURE || group == nwrfc::EXTERNAL_RUNTIME_FAILURE;
  }
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

std::string resolve_nwrfc_entry_points(SharedLibrary& module, NwRfcEntryPoints& found) {
  std::string missing;
  visit_nwrfc_entry_points(found, [&](const char* name, auto& entry_point, bool required) {
    void* address = module.entry_point(name);
    if (address == nullptr && required && missing.empty()) missing = name;
    entry_point = reinterpret_cast<std::remove_reference_t<decltype(entry_point)>>(address);
  });
  return missing;
}

Status check_icu_libraries(Platform& platform) {
  const std::vector<DllFolder> folders = platform.dll_search_folders(kNetWeaverRfcLibraryFile, "icu");
  if (folders.empty()) return Status::Ok();
  for (const char* prefix : kIcuLibraries) {
    const bool found = std::any_of(folders.begin(), folders.end(), [&](const DllFolder& folder) {
      return std::any_of(folder.names.begin(), folder.names.end(),
                         [&](const std::string& name) { return is_icu_library(name, prefix); });
    });
    if (!found) return error_status(Fault::kIcuLibraryMissing, {std::string(prefix) + "*.dll", folders.front().path});
  }
  return Status::Ok();
}

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
  std::unique_ptr<Folder> working = platform_.open_folder("");
  if (std::unique_ptr<ReadableFile> file = working ? as_text(working->open_file(kDestinationsFile)) : nullptr) {
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
  RFC_HANDLE handle = 0;
  if (entry["ASHOST"].empty()) {
    take_own_error("RFC_INVALID_PARAMETER", "destination " + destination + " has no ASHOST in " + kDestinationsFile);
  } else {
    std::vector<std::pair<std::string, std::string>> parameters;
    parameters.emplace_back("ashost", entry["ASHOST"]);
    parameters.emplace_back("sysnr", two_digits(leading_integer(entry["SYSNR"])));
    parameters.emplace_back("client", connect_value(connect_string, "CLIENT=", " USER="));
    parameters.emplace_back("user", connect_value(connect_string, " USER=", " PASSWD="));
    parameters.emplace_back("passwd", connect_value(connect_string, " PASSWD=", " LANG="));
    parameters.emplace_back("lang", connect_value(connect_string, " LANG=", " DEST="));
    if (!entry["GWHOST"].empty()) parameters.emplace_back("gwhost", entry["GWHOST"]);
    if (!entry["GWSERV"].empty()) parameters.emplace_back("gwserv", entry["GWSERV"]);
    handle = connect(parameters, "RfcOpenEx");
  }
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
    if (!at->second.closed_by_sdk) {
      nwrfc::RFC_ERROR_INFO ignored{};
      sdk_.RfcCloseConnection(at->second.sdk, &ignored);
    }
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

nwrfc::RFC_RC NwRfcBridge::describe_parameter(nwrfc::RFC_FUNCTION_DESC_HANDLE description, const SapText& name,
                                              SdkField& field, nwrfc::RFC_ERROR_INFO& error) {
  nwrfc::RFC_PARAMETER_DESC parameter{};
  nwrfc::RFC_RC code = sdk_.RfcGetParameterDescByName(description, name.c_str(), &parameter, &error);
  if (code == nwrfc::RFC_OK) field = SdkField{parameter.type, parameter.nucLength};
  return code;
}

bool NwRfcBridge::set_importing(Connection& connection, RFC_PARAMETER* parameters) {
  for (RFC_PARAMETER* p = parameters; p != nullptr && p->name != nullptr; ++p) {
    if (p->addr == nullptr) continue;
    SapText name = to_sap_text(p->name);
    nwrfc::RFC_ERROR_INFO error{};
    SdkField field{};
    nwrfc::RFC_RC code = describe_parameter(connection.description, name, field, error);
    if (code == nwrfc::RFC_OK) code = write_field(connection.function, name, field, *p, error);
    if (code != nwrfc::RFC_OK) {
      take_field_error(p->name, code, error.group);
      return false;
    }
  }
  return true;
}

nwrfc::RFC_RC NwRfcBridge::write_field(nwrfc::DATA_CONTAINER_HANDLE container, const SapText& name,
                                       const SdkField& field, const RFC_PARAMETER& parameter,
                                       nwrfc::RFC_ERROR_INFO& error) {
  SdkValue value;
  if (parameter.type == TYPC) {
    value.text.assign(static_cast<const char*>(parameter.addr), parameter.leng);
  } else if ((parameter.type == TYPINT && parameter.leng >= 4) || (parameter.type == TYPINT2 && parameter.leng >= 2)) {
    // An area narrower than its type holds no whole value of it.
    value.is_number = true;
    value.number = read_integer(parameter.addr, parameter.type);
  } else {
    return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
  }

  if (is_character_type(field.type)) {
    std::string text = value.is_number ? std::to_string(value.number) : value.text;
    if (field.type == nwrfc::RFCTYPE_STRING) {
      text = without_trailing_blanks(text);
    } else {
      if (value.is_number && field.type == nwrfc::RFCTYPE_NUM && text.size() < field.length) {
        text.insert(0, field.length - text.size(), '0');
      }
      // Blanks beyond the field are what it is filled with anyway; any
      // other character would be lost.
      if (text.size() > field.length) {
        if (text.find_first_not_of(' ', field.length) != std::string::npos) {
          return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
        }
        text.resize(field.length);
      }
    }
    SapText characters = to_sap_text(text);
    return sdk_.RfcSetChars(container, name.c_str(), characters.c_str(), static_cast<unsigned>(characters.size()),
                            &error);
  }

  long long number = value.number;
  if (!value.is_number && !whole_number(value.text, number)) return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
  switch (field.type) {
    case nwrfc::RFCTYPE_INT:
      if (number < INT32_MIN || number > INT32_MAX) break;
      return sdk_.RfcSetInt(container, name.c_str(), static_cast<nwrfc::RFC_INT>(number), &error);
    case nwrfc::RFCTYPE_INT2:
      if (number < INT16_MIN || number > INT16_MAX) break;
      return sdk_.RfcSetInt2(container, name.c_str(), static_cast<nwrfc::RFC_INT2>(number), &error);
    case nwrfc::RFCTYPE_INT1:
      if (number < 0 || number > UINT8_MAX) break;
      return sdk_.RfcSetInt1(container, name.c_str(), static_cast<nwrfc::RFC_INT1>(number), &error);
    case nwrfc::RFCTYPE_INT8:
      if (sdk_.RfcSetInt8 == nullptr) return own_failure(nwrfc::RFC_NOT_SUPPORTED, error);
      return sdk_.RfcSetInt8(container, name.c_str(), number, &error);
    default:
      break;
  }
  return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
}

nwrfc::RFC_RC NwRfcBridge::read_sdk_value(nwrfc::DATA_CONTAINER_HANDLE container, const SapText& name,
                                          const SdkField& field, bool as_text, SdkValue& value,
                                          nwrfc::RFC_ERROR_INFO& error) {
  if (is_character_type(field.type)) {
    unsigned length = field.length;
    if (field.type == nwrfc::RFCTYPE_STRING) {
      nwrfc::RFC_RC code = sdk_.RfcGetStringLength(container, name.c_str(), &length, &error);
      if (code != nwrfc::RFC_OK) return code;
    }
    if (length > kLongestFieldText) return own_failure(nwrfc::RFC_BUFFER_TOO_SMALL, error);
    SapText buffer(std::max(length, 1u), SAP_UC(' '));
    nwrfc::RFC_RC code = sdk_.RfcGetChars(container, name.c_str(), buffer.data(), length, &error);
    if (code != nwrfc::RFC_OK) return code;
    value.text = from_sap_text(buffer.data(), length);
    value.text.resize(length, ' ');
    return nwrfc::RFC_OK;
  }
  value.is_number = true;
  switch (field.type) {
    case nwrfc::RFCTYPE_INT:
    case nwrfc::RFCTYPE_INT2:
    case nwrfc::RFCTYPE_INT1: {
      nwrfc::RFC_INT number = 0;
      nwrfc::RFC_RC code = sdk_.RfcGetInt(container, name.c_str(), &number, &error);
      value.number = number;
      return code;
    }
    case nwrfc::RFCTYPE_INT8: {
      if (sdk_.RfcGetInt8 == nullptr) return own_failure(nwrfc::RFC_NOT_SUPPORTED, error);
      nwrfc::RFC_INT8 number = 0;
      nwrfc::RFC_RC code = sdk_.RfcGetInt8(container, name.c_str(), &number, &error);
      value.number = number;
      return code;
    }
    case nwrfc::RFCTYPE_BCD:
    case nwrfc::RFCTYPE_FLOAT: {
      // The SDK converts these itself: into characters, left-aligned and
      // filled with blanks, or into a whole number, the widest that this
      // SDK has.
      if (as_text) {
        SapText buffer(kLongestNumberText, SAP_UC(' '));
        nwrfc::RFC_RC code = sdk_.RfcGetChars(container, name.c_str(), buffer.data(), kLongestNumberText, &error);
        if (code != nwrfc::RFC_OK) return code;
        value.is_number = false;
        value.exact = true;
        value.text = trimmed(from_sap_text(buffer.data(), kLongestNumberText));
        return nwrfc::RFC_OK;
      }
      if (sdk_.RfcGetInt8 != nullptr) {
        nwrfc::RFC_INT8 number = 0;
        nwrfc::RFC_RC code = sdk_.RfcGetInt8(container, name.c_str(), &number, &error);
        value.number = number;
        return code;
      }
      nwrfc::RFC_INT number = 0;
      nwrfc::RFC_RC code = sdk_.RfcGetInt(container, name.c_str(), &number, &error);
      value.number = number;
      return code;
    }
    default:
      return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
  }
}

nwrfc::RFC_RC NwRfcBridge::read_field(nwrfc::DATA_CONTAINER_HANDLE container, const SapText& name,
                                      const SdkField& field, unsigned type, unsigned length, char* area,
                                      nwrfc::RFC_ERROR_INFO& error) {
  SdkValue value;
  nwrfc::RFC_RC code = read_sdk_value(container, name, field, type == TYPC, value, error);
  if (code != nwrfc::RFC_OK) return code;
  if (type == TYPC) {
    std::string text = value.is_number ? std::to_string(value.number) : value.text;
    if ((value.is_number || value.exact) && text.size() > length) {
      return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
    }
    text.resize(length, ' ');
    std::memcpy(area, text.data(), length);
    return nwrfc::RFC_OK;
  }
  long long number = value.number;
  if (!value.is_number && !whole_number(value.text, number)) return own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
  return store_integer(number, type, length, area) ? nwrfc::RFC_OK : own_failure(nwrfc::RFC_CONVERSION_FAILURE, error);
}

void NwRfcBridge::copy_exporting(const Connection& connection, RFC_PARAMETER* parameters) {
  for (RFC_PARAMETER* p = parameters; p != nullptr && p->name != nullptr; ++p) {
    if (p->addr == nullptr) continue;
    SapText name = to_sap_text(p->name);
    nwrfc::RFC_ERROR_INFO error{};
    SdkField field{};
    char* area = static_cast<char*>(p->addr);
    nwrfc::RFC_RC code = describe_parameter(connection.description, name, field, error);
    if (code == nwrfc::RFC_OK) code = read_field(connection.function, name, field, p->type, p->leng, area, error);
    if (code != nwrfc::RFC_OK) {
      // Nothing reads these values, so the call goes on with the area as the
      // classic library leaves one it cannot fill.
      std::memset(area, p->type == TYPC ? ' ' : 0, p->leng);
      append_trace_block(std::string(p->name) + ": " + rc_name(code));
    }
  }
}

bool NwRfcBridge::copy_rows(nwrfc::RFC_FUNCTION_HANDLE function, const RFC_TABLE& table) {
  auto structure = structures_.find(table.type);
  auto rows = tables_.find(static_cast<Table*>(table.ithandle));
  const std::string table_name = text_of(table.name);
  // Rows with no layout or no table to go to would leave the caller an empty
  // table as if the system had sent none.
  if (structure == structures_.end() || rows == tables_.end()) {
    take_own_error("RFC_INVALID_HANDLE", "table " + table_name + " has no installed structure or internal table");
    return false;
  }
  SapText name = to_sap_text(table_name);
  nwrfc::RFC_ERROR_INFO error{};
  nwrfc::RFC_TABLE_HANDLE sdk_table = nullptr;
  unsigned count = 0;
  if (sdk_.RfcGetTable(function, name.c_str(), &sdk_table, &error) != nwrfc::RFC_OK ||
      sdk_.RfcGetRowCount(sdk_table, &count, &error) != nwrfc::RFC_OK) {
    take_error(error, "RfcReceive");
    return false;
  }
  nwrfc::RFC_TYPE_DESC_HANDLE row_type = sdk_.RfcDescribeType(sdk_table, &error);
  if (row_type == nullptr) {
    take_error(error, "RfcReceive");
    return false;
  }

  // The SDK's description of each field of the installed structure, asked
  // once for all rows.
  const std::vector<Field>& fields = structure->second.fields;
  std::vector<SapText> names;
  std::vector<SdkField> sdk_fields;
  for (const Field& field : fields) {
    names.push_back(to_sap_text(field.name));
    nwrfc::RFC_FIELD_DESC description{};
    nwrfc::RFC_RC code = sdk_.RfcGetFieldDescByName(row_type, names.back().c_str(), &description, &error);
    if (code != nwrfc::RFC_OK) {
      take_field_error(table_name + "-" + field.name, code, error.group);
      return false;
    }
    sdk_fields.push_back(SdkField{description.type, description.nucLength});
  }

  Table& target = *rows->second;
  const std::size_t rows_before = target.rows.size();
  for (unsigned i = 0; i < count; ++i) {
    bool complete = sdk_.RfcMoveTo(sdk_table, i, &error) == nwrfc::RFC_OK;
    if (!complete) take_error(error, "RfcReceive");
    std::vector<char> row(std::max(target.line_length, structure->second.size), '\0');
    for (std::size_t k = 0; complete && k < fields.size(); ++k) {
      nwrfc::RFC_RC code = read_field(sdk_table, names[k], sdk_fields[k], fields[k].type, fields[k].length,
                                      row.data() + fields[k].offset, error);
      if (code != nwrfc::RFC_OK) {
        take_field_error(table_name + "-" + fields[k].name, code, error.group);
        complete = false;
      }
    }
    if (!complete) {
      target.rows.resize(rows_before);
      return false;
    }
    row.resize(target.line_length);
    target.rows.push_back(std::move(row));
  }
  return true;
}

RFC_RC NwRfcBridge::receive(RFC_HANDLE handle, RFC_PARAMETER* parameters, RFC_TABLE* tables, char** exception) {
  Connection* connection = usable_connection(handle);
  if (connection == nullptr) return RFC_FAILURE;
  if (connection->function == nullptr) {
    take_own_error("RFC_INVALID_HANDLE", "no call pending on handle " + std::to_string(handle));
    return RFC_FAILURE;
  }
  nwrfc::RFC_ERROR_INFO error{};
  nwrfc::RFC_RC code = sdk_.RfcInvoke(connection->sdk, connection->function, &error);
  if (code != nwrfc::RFC_OK && closes_connection(code, error.group)) connection->closed_by_sdk = true;
  ClassicResult result = classic_result(code, from_sap_text(error.key, std::size(error.key)));
  if (code == nwrfc::RFC_OK) {
    copy_exporting(*connection, parameters);
    for (RFC_TABLE* t = tables; t != nullptr && t->name != nullptr; ++t) {
      if (!copy_rows(connection->function, *t)) {
        result = ClassicResult{RFC_FAILURE, ""};
        break;
      }
    }
  } else if (take_error(error, "RfcReceive")) {
    result = ClassicResult{RFC_FAILURE, ""};
  }
  destroy_function(*connection);
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
