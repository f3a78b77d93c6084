// The one seam between the sensor and the RFC library: a table of the
// library's entry points, through which every RFC call of the sensor goes.
// On Windows the table is filled from librfc32.dll, loaded at run time; the
// POSIX build fills it with the stand-in it links. Another library plugs in
// by filling the same table.
#ifndef QUILLAR_RFC_RFC_ENTRY_POINTS_H_
#define QUILLAR_RFC_RFC_ENTRY_POINTS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"
#include "platform/platform.h"
#include "rfc/rfc_library.h"

namespace quillar {

// The operations keep their published names, so that calls read as the
// vendor documents them: rfc.RfcOpen(&options). Each is a function object, so
// that a library reached through another interface (the bridge to the
// NetWeaver SDK) can serve the same table with its own state.
struct RfcEntryPoints {
  std::function<void(RFC_ENV*)> RfcEnvironment;
  std::function<RFC_HANDLE(RFC_OPTIONS*)> RfcOpen;
  std::function<RFC_HANDLE(const char*, RFC_ERROR_INFO_EX*)> RfcOpenEx;
  std::function<void(RFC_HANDLE)> RfcClose;
  std::function<int(RFC_ERROR_INFO*)> RfcLastError;
  std::function<RFC_RC(const char*, RFC_TYPE_ELEMENT*, unsigned, RFC_TYPEHANDLE*)> RfcInstallStructure;
  std::function<RFC_RC(RFC_HANDLE, const char*, RFC_PARAMETER*, RFC_TABLE*)> RfcCall;
  std::function<RFC_RC(RFC_HANDLE, RFC_PARAMETER*, RFC_TABLE*, char**)> RfcReceive;
  std::function<ITAB_H(const char*, unsigned, unsigned, unsigned)> ItCreate;
  std::function<unsigned(ITAB_H)> ItFill;
  std::function<void*(ITAB_H, unsigned)> ItGetLine;
  std::function<int(ITAB_H)> ItDelete;

  // Whether every entry point is there: a table with a gap is no library.
  bool complete() const {
    return RfcEnvironment && RfcOpen && RfcOpenEx && RfcClose && RfcLastError && RfcInstallStructure && RfcCall &&
           RfcReceive && ItCreate && ItFill && ItGetLine && ItDelete;
  }
};

// The file names of the classic RFC library and of the NetWeaver RFC SDK.
inline constexpr char kClassicRfcLibraryFile[] = "librfc32.dll";
inline constexpr char kNetWeaverRfcLibraryFile[] = "sapnwrfc.dll";

// The entry point that only Quillar's stand-ins for trials (rfcsim/) export,
// by which a loaded library is known as one of them, and the file of the
// working directory from which a stand-in reads the only systems it reaches.
inline constexpr char kStandInMarker[] = "QuillarStandInForTrials";
inline constexpr char kStandInLandscapeFile[] = "RfcSim.ini";

class NwRfcBridge;

// The entry points and whatever keeps them valid: the loaded library, which
// stays loaded as long as this lives, and the bridge that serves them when
// the library is the NetWeaver SDK.
struct RfcLibrary {
  RfcLibrary();
  ~RfcLibrary();
  RfcLibrary(const RfcLibrary&) = delete;
  RfcLibrary& operator=(const RfcLibrary&) = delete;

  RfcEntryPoints entry_points;
  std::unique_ptr<SharedLibrary> module;
  std::unique_ptr<NwRfcBridge> bridge;
  bool is_open() const { return entry_points.complete(); }
  // Whether the library is one of Quillar's stand-ins for trials, not SAP's:
  // the one the POSIX build links, or a loaded one that exports
  // kStandInMarker.
  bool stand_in = false;
  // After a failed load: the file that was there but would not serve, which
  // the status names (Errors 1052 to 1055); empty when none was there.
  std::string refused_file;
};

// Loads librfc32.dll through the platform's loader and resolves every entry
// point by its plain name; when that fails, loads sapnwrfc.dll, checks that
// the ICU libraries it needs are there, and serves the entry points through
// the bridge. On failure the status carries the numbered text that names the
// file (both files when neither was found), the Windows error code and the
// way out, or the missing ICU library.
Status load_rfc_library(Platform& platform, RfcLibrary& library);

// The machine field of a PE file's header, from the first bytes of the file;
// nothing when they hold no PE header.
std::optional<std::uint16_t> pe_machine(std::string_view head);

// Makes the library of this build ready: the one linked into the program, or
// one loaded as load_rfc_library does. Does nothing once open.
Status open_rfc_library(Platform& platform, RfcLibrary& library);

}  // namespace quillar

#endif  // QUILLAR_RFC_RFC_ENTRY_POINTS_H_
