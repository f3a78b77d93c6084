// Logging on to an SAP system, by logon record or by destination file.
#ifndef QUILLAR_RFC_CONNECTION_H_
#define QUILLAR_RFC_CONNECTION_H_

#include <optional>
#include <string>

#include "output/diagnostics.h"
#include "rfc/rfc_files.h"
#include "platform/platform.h"
#include "profiles/system_profile.h"
#include "rfc/logon_overrides.h"
#include "rfc/rfc_entry_points.h"
#include "rfc/rfc_library.h"

namespace quillar {

// What the RFC code needs of the run.
struct RfcContext {
  Platform& platform;
  const RfcEntryPoints& rfc;
  DiagnosticLog& log;
  LogonOverrides overrides;
  // Whether a logon by destination prints its "* SapRfc.Ini" line. The line
  // is no XML, so the XML framings print it only with the console trace on.
  bool show_destination_line = true;
  // The folder, ending in a backslash, that holds the destination files;
  // empty for the working directory.
  std::string destination_folder;
};

// The records of a logon and the texts they point at. The run keeps one and
// hands it to every open; each open fills it anew from the logon entries, so
// that the blank fill and the overrides of an open never touch the entries.
struct LogonRecords {
  RFC_OPTIONS options{};
  RFC_CONNOPT_CPIC gateway{};
  RFC_CONNOPT_R3 server{};
  std::string destination, client, user, password, language, mode, hostname, sysnr, gwhost, gwservice;
  std::string connect_string;
  RFC_ERROR_INFO_EX error_info{};
};

// Opens a connection. When the working directory holds "SapRfc." followed
// by the destination, that file becomes "SapRfc.ini" and the logon goes by
// connect string; otherwise by the records built from the entries. Gives the
// connection handle, 0 when none was opened.
RFC_HANDLE open_sap_connection(RfcContext& context, const LogonEntries& entries, LogonRecords& records);

}  // namespace quillar

#endif  // QUILLAR_RFC_CONNECTION_H_
