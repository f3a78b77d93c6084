// The library line of quillar-profile test and locate for a library that
// was there but does not load: the file the status names and where the
// system's search found it.
#include "tool/library_report.h"

#include <gtest/gtest.h>

#include "fake_platform.h"

namespace quillar {
namespace {

FakeLibrary refused_with(unsigned long error, std::optional<LibraryFile> found_in) {
  FakeLibrary library;
  library.load_error = error;
  library.found_in = std::move(found_in);
  return library;
}

TEST(LibraryReport, NamesTheFileThatDoesNotLoadAndWhereItWasFound) {
  const struct {
    const char* name;
    std::optional<FakeLibrary> classic, netweaver;
    std::string line;
  } cases[] = {
      {"classic beside the program", refused_with(5, LibraryFile{"C:\\PRTG\\", LibraryPlace::kBesideProgram}),
       std::nullopt, "RFC library: librfc32.dll, found in C:\\PRTG\\ (beside the program), does not load"},
      {"the SDK in the system folder", std::nullopt,
       refused_with(5, LibraryFile{"C:\\Windows\\system32\\", LibraryPlace::kSystemFolder}),
       "RFC library: sapnwrfc.dll, found in C:\\Windows\\system32\\ (the system folder), does not load"},
      {"classic in the Windows folder, before a missing SDK",
       refused_with(14001, LibraryFile{"C:\\Windows\\", LibraryPlace::kWindowsFolder}), std::nullopt,
       "RFC library: librfc32.dll, found in C:\\Windows\\ (the Windows folder), does not load"},
      {"classic in a folder of PATH, the SDK's fault after it",
       refused_with(5, LibraryFile{"D:\\SAP\\", LibraryPlace::kPathFolder}),
       refused_with(5, LibraryFile{"C:\\PRTG\\", LibraryPlace::kBesideProgram}),
       "RFC library: librfc32.dll, found in D:\\SAP\\ (a folder of PATH), does not load"},
      {"neither library", std::nullopt, std::nullopt, ""},
      {"a file the search cannot place", refused_with(5, std::nullopt), std::nullopt, ""},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    if (c.classic) platform.libraries["librfc32.dll"] = *c.classic;
    if (c.netweaver) platform.libraries["sapnwrfc.dll"] = *c.netweaver;
    RfcLibrary library;
    ASSERT_FALSE(load_rfc_library(platform, library).is_ok()) << c.name;
    EXPECT_EQ(refused_library_line(platform, library), c.line) << c.name;
  }
}

}  // namespace
}  // namespace quillar
