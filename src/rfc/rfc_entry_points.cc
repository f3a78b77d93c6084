#include "rfc/rfc_entry_points.h"

#include "base/errors.h"
#include "rfc/nwrfc_bridge.h"

namespace quillar {
namespace {

// The bitness that the program, and so the library it loads, has.
const std::string kProgramBits = std::to_string(sizeof(void*) * 8);

// The machine fields of the PE header of either bitness.
constexpr std::uint16_t kMachine32 = 0x014C;
constexpr std::uint16_t kMachine64 = 0x8664;
constexpr std::uint16_t kOtherBitnessMachine = sizeof(void*) == 8 ? kMachine32 : kMachine64;

// Windows refuses a library of the other bitness and a damaged file with the
// same code; the machine field of the file's PE header tells them apart.
Status load_failure(Platform& platform, const std::string& file_name, unsigned long error_code) {
  const std::string code = std::to_string(error_code);
  switch (error_code) {
    case kLoadModuleNotFound:
      return error_status(Fault::kLibraryNotFound, {file_name, code});
    case kLoadBadFormat:
      if (pe_machine(platform.library_file_head(file_name)) == kOtherBitnessMachine) {
        return error_status(Fault::kLibraryWrongBitness, {file_name, code, kProgramBits, kProgramBits, file_name});
      }
      return error_status(Fault::kLibraryDamaged, {file_name, kProgramBits, code});
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

// Whether a load failed because the file was missing, the one failure after
// which another library is tried without a word.
bool not_found(const Status& loaded) { return loaded.fault() == Fault::kLibraryNotFound; }

// The failure of a library that was there but would not serve. A missing
// ICU library is no fault of the SDK's file, which loaded.
Status refused(RfcLibrary& library, const char* file_name, Status failure) {
  if (failure.fault() != Fault::kIcuLibraryMissing) library.refused_file = file_name;
  return failure;
}

// The classic library by its plain names.
Status load_classic(Platform& platform, RfcLibrary& library) {
  unsigned long error_code = 0;
  std::unique_ptr<SharedLibrary> module = platform.load_library(kClassicRfcLibraryFile, error_code);
  if (!module) return load_failure(platform, kClassicRfcLibraryFile, error_code);

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
  library.stand_in = module->entry_point(kStandInMarker) != nullptr;
  library.module = std::move(module);
  return Status::Ok();
}

Status load_netweaver(Platform& platform, RfcLibrary& library) {
  unsigned long error_code = 0;
  std::unique_ptr<SharedLibrary> module = platform.load_library(kNetWeaverRfcLibraryFile, error_code);
  if (!module) return load_failure(platform, kNetWeaverRfcLibraryFile, error_code);
  NwRfcEntryPoints sdk;
  const std::string missing = resolve_nwrfc_entry_points(*module, sdk);
  if (!missing.empty()) return missing_entry_point(kNetWeaverRfcLibraryFile, missing);
  Status icu = check_icu_libraries(platform);
  if (!icu.is_ok()) return icu;
  open_bridge(platform, sdk, library);
  library.stand_in = module->entry_point(kStandInMarker) != nullptr;
  library.module = std::move(module);
  return Status::Ok();
}

}  // namespace

std::optional<std::uint16_t> pe_machine(std::string_view head) {
  auto little_endian = [&](std::size_t at, std::size_t bytes) {
    std::uint32_t value = 0;
    for (std::size_t k = bytes; k-- > 0;) value = value << 8 | static_cast<unsigned char>(head[at + k]);
    return value;
  };
  constexpr std::size_t kNewHeaderOffset = 0x3C;
  if (head.size() < kNewHeaderOffset + 4 || head.substr(0, 2) != "MZ") return std::nullopt;
  const std::uint32_t header = little_endian(kNewHeaderOffset, 4);
  if (header > head.size() || head.size() - header < 6) return std::nullopt;
  if (head.substr(header, 4) != std::string_view("PE\0\0", 4)) return std::nullopt;
  return static_cast<std::uint16_t>(little_endian(header + 4, 2));
}

RfcLibrary::RfcLibrary() = default;
RfcLibrary::~RfcLibrary() = default;

Status load_rfc_library(Platform& platform, RfcLibrary& library) {
  Status classic = load_classic(platform, library);
  if (classic.is_ok()) return classic;
  Status netweaver = load_netweaver(platform, library);
  if (netweaver.is_ok()) return netweaver;
  // The first library that is there but cannot serve says why; when neither
  // is there, the text names both.
  if (!not_found(classic)) return refused(library, kClassicRfcLibraryFile, std::move(classic));
  if (!not_found(netweaver)) return refused(library, kNetWeaverRfcLibraryFile, std::move(netweaver));
  return error_status(Fault::kLibraryNotFound,
                      {std::string(kClassicRfcLibraryFile) + " or " + kNetWeaverRfcLibraryFile,
                       std::to_string(kLoadModuleNotFound)});
}

}  // namespace quillar
