#include "rfc/rfc_entry_points.h"

namespace quillar {
namespace {

// The bitness that the program, and so the library it loads, has.
constexpr int kProgramBits = sizeof(void*) * 8;

std::string load_failure_text(const std::string& file_name, unsigned long error_code) {
  const std::string code = " (Windows error " + std::to_string(error_code) + "), ";
  switch (error_code) {
    case kLoadModuleNotFound:
      return "Error 1051: " + file_name + " not found" + code + "copy it beside quillar.exe or into the system folder...";
    case kLoadBadFormat:
      return "Error 1052: " + file_name + " has the wrong bitness" + code + "this " + std::to_string(kProgramBits) +
             "-bit quillar.exe needs a " + std::to_string(kProgramBits) + "-bit " + file_name + "...";
    default:
      return "Error 1054: " + file_name + " cannot be loaded" + code + "check the file and its access rights...";
  }
}

std::string missing_entry_point_text(const std::string& file_name, const char* name) {
  return "Error 1053: " + file_name + " lacks the entry point " + name + " (Windows error " +
         std::to_string(kLoadEntryPointMissing) + "), install the vendor's RFC library...";
}

template <typename Function>
bool resolve(SharedLibrary& module, const char* name, Function& entry_point, const char*& missing) {
  void* address = module.entry_point(name);
  if (address == nullptr) {
    if (missing == nullptr) missing = name;
    return false;
  }
  entry_point = reinterpret_cast<Function>(address);
  return true;
}

}  // namespace

Status load_rfc_library(Platform& platform, const std::string& file_name, RfcLibrary& library) {
  unsigned long error_code = 0;
  std::unique_ptr<SharedLibrary> module = platform.load_library(file_name, error_code);
  if (!module) return Status::Error(load_failure_text(file_name, error_code));

  RfcEntryPoints found;
  const char* missing = nullptr;
  resolve(*module, "RfcEnvironment", found.RfcEnvironment, missing);
  resolve(*module, "RfcOpen", found.RfcOpen, missing);
  resolve(*module, "RfcOpenEx", found.RfcOpenEx, missing);
  resolve(*module, "RfcClose", found.RfcClose, missing);
  resolve(*module, "RfcLastError", found.RfcLastError, missing);
  resolve(*module, "RfcInstallStructure", found.RfcInstallStructure, missing);
  resolve(*module, "RfcCall", found.RfcCall, missing);
  resolve(*module, "RfcReceive", found.RfcReceive, missing);
  resolve(*module, "ItCreate", found.ItCreate, missing);
  resolve(*module, "ItFill", found.ItFill, missing);
  resolve(*module, "ItGetLine", found.ItGetLine, missing);
  resolve(*module, "ItDelete", found.ItDelete, missing);
  if (missing != nullptr) return Status::Error(missing_entry_point_text(file_name, missing));

  library.entry_points = found;
  library.module = std::move(module);
  return Status::Ok();
}

}  // namespace quillar
