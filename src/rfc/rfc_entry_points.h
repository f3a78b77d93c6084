// The one seam between the sensor and the RFC library: a table of the
// library's entry points, through which every RFC call of the sensor goes.
// On Windows the table is filled from librfc32.dll, loaded at run time; the
// POSIX build fills it with the stand-in it links. Another library plugs in
// by filling the same table.
#ifndef QUILLAR_RFC_RFC_ENTRY_POINTS_H_
#define QUILLAR_RFC_RFC_ENTRY_POINTS_H_

#include <memory>
#include <string>

#include "output/status.h"
#include "platform/platform.h"
#include "rfc/rfc_library.h"

namespace quillar {

// The operations keep their published names, so that calls read as the
// vendor documents them: rfc.RfcOpen(&options).
struct RfcEntryPoints {
  decltype(&::RfcEnvironment) RfcEnvironment = nullptr;
  decltype(&::RfcOpen) RfcOpen = nullptr;
  decltype(&::RfcOpenEx) RfcOpenEx = nullptr;
  decltype(&::RfcClose) RfcClose = nullptr;
  decltype(&::RfcLastError) RfcLastError = nullptr;
  decltype(&::RfcInstallStructure) RfcInstallStructure = nullptr;
  decltype(&::RfcCall) RfcCall = nullptr;
  decltype(&::RfcReceive) RfcReceive = nullptr;
  decltype(&::ItCreate) ItCreate = nullptr;
  decltype(&::ItFill) ItFill = nullptr;
  decltype(&::ItGetLine) ItGetLine = nullptr;
  decltype(&::ItDelete) ItDelete = nullptr;
};

// The file name of the classic RFC library.
inline constexpr char kClassicRfcLibraryFile[] = "librfc32.dll";

// The entry points and whatever keeps them valid: the loaded library, which
// stays loaded as long as this lives.
struct RfcLibrary {
  RfcEntryPoints entry_points;
  std::unique_ptr<SharedLibrary> module;
  bool is_open() const { return entry_points.RfcEnvironment != nullptr; }
};

// Loads `file_name` through the platform's loader and resolves every entry
// point by its plain name. On failure the status carries the numbered text
// that names the file, the Windows error code and the way out.
Status load_rfc_library(Platform& platform, const std::string& file_name, RfcLibrary& library);

// Makes the library of this build ready: the one linked into the program, or
// librfc32.dll loaded as load_rfc_library does. Does nothing once open.
Status open_rfc_library(Platform& platform, RfcLibrary& library);

}  // namespace quillar

#endif  // QUILLAR_RFC_RFC_ENTRY_POINTS_H_
