// Builds a whole sensor run from a fuzz input: options, profiles and the LAN
// rows and outcomes of the stand-in's landscape.
#ifndef QUILLAR_FUZZ_RUN_FUZZ_INPUT_H_
#define QUILLAR_FUZZ_RUN_FUZZ_INPUT_H_

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "fuzz_support.h"
#include "rfcsim_control.h"

namespace quillar {

// "Secret#1" as stored.
inline constexpr char kFuzzPassword[] = ";/1<P|d'TPTUnNHWU\\F3.uvg";
inline constexpr char kFuzzSensors[] = "C:\\PRTG\\Custom Sensors\\ExeXml\\";

inline std::string fuzz_profile(const std::string& destination, const std::string& host) {
  return "Destination: " + destination + "\r\nClient.....: 100\r\nUser.......: rfcuser\r\nPassword...: " +
         kFuzzPassword + "\r\nLanguage...: E\r\nMode.......: R/3\r\nHostname...: " + host +
         "\r\nSysnr......: 00\r\nGwhost.....: gw\r\nGwservice..: sapgw00\r\nExtcompany.: ACME\r\n";
}

// A word without blanks or line ends, never empty.
inline std::string fuzz_word(FuzzedDataProvider& input, std::size_t most) {
  std::string word = input.ConsumeRandomLengthString(most);
  for (char& c : word) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0' || c == '=') c = '_';
  }
  return word.empty() ? "x" : word;
}

// One system of the landscape, with fuzzed rows and outcomes.
inline std::string fuzz_system(FuzzedDataProvider& input, const std::string& name, const std::string& host) {
  std::string system = "[" + name + "]\nashost = " + host + "\nsysnr = 0\nclient = 100\nuser = RFCUSER\npassword = Secret#1\n";
  int rows = input.ConsumeIntegralInRange(0, 12);
  for (int i = 0; i < rows; ++i) {
    system += "lan = " + fuzz_word(input, 8);
    for (int k = 0; k < 6; ++k) system += " " + std::to_string(input.ConsumeIntegral<std::int32_t>());
    system += "\n";
  }
  switch (input.ConsumeIntegralInRange(0, 5)) {
    case 1: system += "receive = failure\n"; break;
    case 2: system += "receive = exception " + fuzz_word(input, 300) + "\n"; break;
    case 3: system += "receive = sys-exception " + fuzz_word(input, 40) + "\n"; break;
    case 4: system += "receive = code " + std::to_string(input.ConsumeIntegral<std::int32_t>()) + "\n"; break;
    case 5: system += "call = code " + std::to_string(input.ConsumeIntegral<std::int32_t>()) + "\n"; break;
    default: break;
  }
  return system;
}

// Places the PRTG path override in `platform`, and gives the system BIN a
// destination file when the input asks for one.
inline void lay_out_installation(FuzzedDataProvider& input, FakePlatform& platform) {
  enter_scratch_folder();
  rfcsim::reset();
  platform.files["C:\\PRTG_Path.Txt"] = "C:\\PRTG\\\r\n";
  if (input.ConsumeBool()) {
    platform.files["SapRfc.BIN"] = "DEST=BIN\r\nTYPE=A\r\nASHOST=sapbin\r\nSYSNR=00\r\n";
    write_scratch_file("SapRfc.ini", platform.files["SapRfc.BIN"]);
  }
}

}  // namespace quillar

#endif  // QUILLAR_FUZZ_RUN_FUZZ_INPUT_H_
