#include "tool/library_report.h"

#include <vector>

namespace quillar {
namespace {

std::string place_name(LibraryPlace place) {
  switch (place) {
    case LibraryPlace::kBesideProgram:
      return "beside the program";
    case LibraryPlace::kSystemFolder:
      return "the system folder";
    case LibraryPlace::kWindowsFolder:
      return "the Windows folder";
    case LibraryPlace::kPathFolder:
      return "a folder of PATH";
  }
  return "";
}

}  // namespace

std::string library_file(const RfcLibrary& library) {
  return library.bridge != nullptr ? kNetWeaverRfcLibraryFile : kClassicRfcLibraryFile;
}

std::string library_folder(Platform& platform, const RfcLibrary& library) {
  if (!library.module) return "";
  const std::string file = library_file(library);
  std::vector<DllFolder> folders = platform.dll_search_folders(file, file);
  return folders.empty() ? "" : folders.front().path;
}

std::string library_description(Platform& platform, const RfcLibrary& library) {
  const bool netweaver = library.bridge != nullptr;
  const std::string file = library_file(library);
  std::string text = "RFC library: " + file +
                     (library.stand_in ? ", Quillar's stand-in for trials (not SAP's library; it reaches only the "
                                         "systems of " + std::string(kStandInLandscapeFile) + ")"
                                       : netweaver ? ", the NetWeaver RFC SDK" : ", the classic RFC library");
  if (!library.module) return text + ", linked into this program\n";
  const std::string folder = library_folder(platform, library);
  return text + (folder.empty() ? "" : ", loaded from " + folder) + "\n";
}

std::string refused_library_line(Platform& platform, const RfcLibrary& library) {
  if (library.refused_file.empty()) return "";
  const std::optional<LibraryFile> found = platform.library_file_found(library.refused_file);
  if (!found) return "";
  return "RFC library: " + library.refused_file + ", found in " + found->folder + " (" + place_name(found->place) +
         "), does not load";
}

}  // namespace quillar
