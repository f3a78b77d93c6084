// Logging on to an SAP system, by logon record or by destination file.
#ifndef QUILLAR_RFC_CONNECTION_H_
#define QUILLAR_RFC_CONNECTION_H_

#include <memory>
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
  // What kept the logon from being tried: the working copy of a destination
  // file that could not be written, with its reason (empty when it was
  // tried).
  UnwrittenFile unwritten;
};

// How a logon goes: by destination file when the destination folder holds a
// plain file "SapRfc." followed by the destination, otherwise by the records
// built from the entries. The file is held open from the choice to the
// logon.
class LogonRoute {
 public:
  static LogonRoute choose(const RfcContext& context, const std::string& destination);
  bool by_destination_file() const { return destination_file_ != nullptr; }

 private:
  friend RFC_HANDLE open_sap_connection(RfcContext&, const LogonEntries&, LogonRoute, LogonRecords&);
  std::unique_ptr<ReadableFile> destination_file_;
};

// Opens a connection by `route`. By destination file, the file becomes
// "SapRfc.ini" in one step (never written through a link or anything but a
// plain file there) and the logon goes by connect string, with the library
// reading the destination from the run's own copy of the file, which
// RFC_INI names while it logs on and which is gone afterwards: other runs
// in the same working directory rewrite "SapRfc.ini" meanwhile. When either
// cannot be written whole, the logon is not tried, and standard error tells
// so ("Quillar: SapRfc.ini in FOLDER cannot be written: REASON"), as
// `records` does. Gives the connection handle, 0 when none was opened.
RFC_HANDLE open_sap_connection(RfcContext& context, const LogonEntries& entries, LogonRoute route,
                               LogonRecords& records);

}  // namespace quillar

#endif  // QUILLAR_RFC_CONNECTION_H_
