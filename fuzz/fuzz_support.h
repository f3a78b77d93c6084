// What the fuzz targets share: an in-memory platform and a temporary working
// directory for the RFC stand-in, which reads real files.
#ifndef QUILLAR_FUZZ_FUZZ_SUPPORT_H_
#define QUILLAR_FUZZ_FUZZ_SUPPORT_H_

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "fake_platform.h"

namespace quillar {

// Moves the process into a fresh temporary folder once, and writes files
// there for the stand-in.
inline void enter_scratch_folder() {
  static bool entered = false;
  if (entered) return;
  char pattern[] = "/tmp/quillar-fuzz-XXXXXX";
  if (::mkdtemp(pattern) == nullptr || ::chdir(pattern) != 0) std::abort();
  entered = true;
}

inline void write_scratch_file(const char* name, const std::string& content) {
  std::ofstream(name, std::ios::binary | std::ios::trunc) << content;
}

// The stand-in's fail= and abort= lines end the process through the error
// report, which a fuzz target must not do; they are taken out of landscapes.
inline std::string without_process_endings(const std::string& landscape) {
  std::string kept;
  std::size_t start = 0;
  while (start < landscape.size()) {
    std::size_t end = landscape.find('\n', start);
    if (end == std::string::npos) end = landscape.size();
    std::string line = landscape.substr(start, end - start);
    std::string lower = line;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("fail") == std::string::npos && lower.find("abort") == std::string::npos) kept += line + "\n";
    start = end + 1;
  }
  return kept;
}

}  // namespace quillar

#endif  // QUILLAR_FUZZ_FUZZ_SUPPORT_H_
