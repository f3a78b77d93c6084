// The stand-in's readers of RfcSim.ini and SapRfc.ini: the input is both
// files, split at the first zero byte, and a logon of each kind reads them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "rfc/rfc_library.h"
#include "rfcsim_control.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillar::enter_scratch_folder();
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  std::string landscape = quillar::without_process_endings(input.substr(0, split));
  std::string destinations = split == std::string::npos ? "" : input.substr(split + 1);
  quillar::write_scratch_file("RfcSim.ini", landscape);
  quillar::write_scratch_file("SapRfc.ini", destinations);
  rfcsim::reset();
  RFC_CONNOPT_R3 server{const_cast<char*>("sapbin"), 0, nullptr, nullptr};
  RFC_OPTIONS options{};
  options.connopt = &server;
  options.client = const_cast<char*>("100");
  options.user = const_cast<char*>("RFCUSER     ");
  options.password = const_cast<char*>("Secret#1  ");
  RFC_HANDLE handle = RfcOpen(&options);
  RFC_ERROR_INFO_EX error{};
  RFC_HANDLE extended = RfcOpenEx("CLIENT=100 USER=RFCUSER PASSWD=Secret#1 LANG=D DEST=BIN", &error);
  if (handle != 0) RfcClose(handle);
  if (extended != 0) RfcClose(extended);
  return 0;
}
