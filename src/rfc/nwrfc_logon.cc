#include "rfc/nwrfc_bridge.h"

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/texts.h"
#include "platform/line_reader.h"
#include "rfc/nwrfc_support.h"
#include "rfc/rfc_files.h"

namespace quillar {
namespace {

constexpr std::size_t kDestinationLineRoom = 1024;

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

}  // namespace

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
  // The destination's entry of the file that the logon has just written,
  // found as the classic library finds it: the file that RFC_INI names, a
  // name of the working directory or a full path, or else the working
  // directory's destinations file. Keys before the first DEST= line belong
  // to no entry.
  std::string file_name = platform_.environment_variable(kDestinationsVariable).value_or("");
  if (file_name.empty()) file_name = kDestinationsFile;
  std::unique_ptr<ReadableFile> file;
  if (is_entry_name(file_name)) {
    std::unique_ptr<Folder> working = platform_.open_folder("");
    file = working ? as_text(working->open_file(file_name)) : nullptr;
  } else {
    file = platform_.open_text(file_name);
  }
  std::map<std::string, std::string> entry;
  if (file) {
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
    // A run's own copy is gone by the time anyone reads this, and holds
    // what SapRfc.ini of the working directory holds.
    const std::string shown_file = is_private_destinations_name(file_name) ? kDestinationsFile : file_name;
    take_own_error("RFC_INVALID_PARAMETER", "destination " + destination + " has no ASHOST in " + shown_file);
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

}  // namespace quillar
