// Libraries of the system's loader as the platform hands them out: loaded at
// run time, looked for along the loader's search, and the loader's errors
// that the sensor explains (see Platform::load_library).
#ifndef QUILLAR_PLATFORM_LIBRARIES_H_
#define QUILLAR_PLATFORM_LIBRARIES_H_

#include <string>
#include <vector>

namespace quillar {

// A library of the system's loader, loaded at run time. Unloaded when
// destroyed.
class SharedLibrary {
 public:
  virtual ~SharedLibrary() = default;
  // The address of the function exported under exactly this name; null when
  // the library exports none.
  virtual void* entry_point(const char* name) = 0;
};

// A folder where the system's loader looks for DLLs, with the names of some
// of the DLL files in it.
struct DllFolder {
  // The full path, ending in a backslash.
  std::string path;
  std::vector<std::string> names;
};

// The places of the system's search for a library, in its order.
enum class LibraryPlace { kBesideProgram, kSystemFolder, kWindowsFolder, kPathFolder };

// The file that the system's search for a library finds.
struct LibraryFile {
  // The full path of its folder, ending in a backslash.
  std::string folder;
  LibraryPlace place = LibraryPlace::kBesideProgram;
};

// Windows error codes of a library load, the ones the sensor explains.
inline constexpr unsigned long kLoadModuleNotFound = 126;  // ERROR_MOD_NOT_FOUND
inline constexpr unsigned long kLoadEntryPointMissing = 127;  // ERROR_PROC_NOT_FOUND
inline constexpr unsigned long kLoadBadFormat = 193;  // ERROR_BAD_EXE_FORMAT
// The library is there, but a DLL it imports is missing.
inline constexpr unsigned long kLoadImportMissing = 1157;  // ERROR_DLL_NOT_FOUND

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_LIBRARIES_H_
