#include "rfc/rfc_entry_points.h"

#include "output/errors.h"
#include "rfc/nwrfc_bridge.h"

namespace quillar {
namespace {

// The bitness that the program, and so the library it loads, has.
const std::string kProgramBits = std::to_string(sizeof(void*) * 8);

Status load_failure(const std::string& file_name, unsigned long error_code) {
  const std::string code = std::to_string(error_code);
  switch (error_code) {
    case kLoadModuleNotFound:
      return error_status(Fault::kLibraryNotFound, {file_name, code});
    case kLoadBadFormat:
      return error_status(Fault::kLibraryWrongBitness, {file_name, code, kProgramBits, kProgramBits, file_name});
    default:
      return error_status(Fault::kLibraryNotLoaded, {file_name, code});
  }
}

Status missing_entry_point(const std::string& file_name, const std::string& name) {
  return error_status(Fault::kLibraryEntryMissing, {file_name, name, std::to_string(kLoadEntryPointMissing)});
}

template <typename Pointer, typename Function>
void resolve(SharedLibrary& module, const char* name, Function& entry_point, const char*& missing) {
  void* address = module.entry_point(name);
  if (address == nullptr) {
    if (missing == nullptr) missing = name;
    return;
  }
  entry_point = reinterpret_cast<Pointer>(address);
}

// The classic library by its plain names; `not_found` tells whether the
// file was missing, the one failure after which another library is tried
// without a word.
Status load_classic(Platform& platform, RfcLibrary& library, bool& not_found) {
  unsigned long error_code = 0;
  std::unique_ptr<SharedLibrary> module = platform.load_library(kClassicRfcLibraryFile, error_code);
  not_found = !module && error_code == kLoadModuleNotFound;
  if (!module) return load_failure(kClassicRfcLibraryFile, error_code);

  RfcEntryPoints found;
  const char* missing = nullptr;
  resolve<decltype(&::RfcEnvironment)>(*module, "RfcEnvironment", found.RfcEnvironment, missing);
  resolve<decltype(&::RfcOpen)>(*module, "RfcOpen", found.RfcOpen, missing);
  resolve<decltype(&::RfcOpenEx)>(*module, "RfcOpenEx", found.RfcOpenEx, missing);
  resolve<decltype(&::RfcClose)>(*module, "RfcClose", found.RfcClose, missing);
  resolve<decltype(&::RfcLastError)>(*module, "RfcLastError", found.RfcLastError, missing);
  resolve<decltype(&::RfcInstallStructure)>(*module, "RfcInstallStructure", found.RfcInstallStructure, missing);
  resolve<decltype(&::RfcCall)>(*module, "RfcCall", found.RfcCall, missing);
  resolve<decltype(&::RfcReceive)>(*module, "RfcReceive", found.RfcReceive, missing);
  resolve<decltype(&::ItCreate)>(*module, "ItCreate", found.ItCreate, missing);
  resolve<decltype(&::ItFill)>(*module, "ItFill", found.ItFill, missing);
  resolve<decltype(&::ItGetLine)>(*module, "ItGetLine", found.ItGetLine, missing);
  resolve<decltype(&::ItDelete)>(*module, "ItDelete", found.ItDelete, missing);
  if (missing != nullptr) return missing_entry_point(kClassicRfcLibraryFile, missing);

  library.entry_points = std::move(found);
  library.module = std::move(module);
  return Status::Ok();
}

Status load_netweaver(Platform& platform, RfcLibrary& library, bool& not_found) {
  unsigned long error_code = 0;
  std::unique_ptr<SharedLibrary> module = platform.load_library(kNetWeaverRfcLibraryFile, error_code);
  not_found = !module && error_code == kLoadModuleNotFound;
  if (!module) return load_failure(kNetWeaverRfcLibraryFile, error_code);
  NwRfcEntryPoints sdk;
  std::string missing;
  if (!resolve_nwrfc_entry_points(*module, sdk, missing).is_ok()) {
    return missing_entry_point(kNetWeaverRfcLibraryFile, missing);
  }
  open_bridge(platform, sdk, library);
  library.module = std::move(module);
  return Status::Ok();
}

}  // namespace

RfcLibrary::RfcLibrary() = default;
RfcLibrary::~RfcLibrary() = default;

void open_bridge(Platform& platform, const NwRfcEntryPoints& sdk, RfcLibrary& library) {
  library.bridge = std::make_unique<NwRfcBridge>(platform, sdk);
  library.entry_points = library.bridge->entry_points();
}

Status load_rfc_library(Platform& platform, RfcLibrary& library) {
  bool classic_not_found = false;
  Status classic = load_classic(platform, library, classic_not_found);
  if (classic.is_ok()) return classic;
  bool netweaver_not_found = false;
  Status netweaver = load_netweaver(platform, library, netweaver_not_found);
  if (netweaver.is_ok()) return netweaver;
  // The first library that is there but cannot serve says why; when neither
  // is there, the text names both.
  if (!classic_not_found) return classic;
  if (!netweaver_not_found) return netweaver;
  return error_status(Fault::kLibraryNotFound,
                      {std::string(kClassicRfcLibraryFile) + " or " + kNetWeaverRfcLibraryFile,
                       std::to_string(kLoadModuleNotFound)});
}

}  // namespace quillar
