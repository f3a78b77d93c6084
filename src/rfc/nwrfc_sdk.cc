#include "rfc/nwrfc_sdk.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <type_traits>
#include <vector>

#include "base/errors.h"
#include "base/texts.h"
#include "rfc/rfc_entry_points.h"

namespace quillar {
namespace {

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

}  // namespace quillar
