// A test bed for the sensor's RFC code: a temporary working directory on the
// emulated drive c, holding the stand-in library's landscape, with the real
// platform, a diagnostic log and the options the RFC code is given. The
// stand-in starts fresh and is left fresh.
#ifndef QUILLAR_TESTS_RFC_SIM_LANDSCAPE_H_
#define QUILLAR_TESTS_RFC_SIM_LANDSCAPE_H_

#include <memory>
#include <string>

#include "driver/options.h"
#include "output/diagnostics.h"
#include "base/texts.h"
#include "fake_platform.h"
#include "platform/platform.h"
#include "platform/temp_drives.h"
#include <gtest/gtest.h>

#include "rfc/connection.h"
#include "rfc/rfc_entry_points.h"
#include "rfcsim/fresh_stand_ins.h"
#include "rfcsim_control.h"

namespace quillar {

// BIN answers on sapbin/00 and through gateway gwbin/sapgw00.
inline constexpr char kBinLandscape[] =
    "[BIN]\n"
    "ashost = sapbin\n"
    "sysnr = 0\n"
    "gwhost = gwbin\n"
    "gwserv = sapgw00\n"
    "client = 100\n"
    "user = RFCUSER\n"
    "password = Secret#1\n";

class SimLandscape {
 public:
  explicit SimLandscape(const std::string& landscape, const std::string& options = ",SYSLOG") {
    drives_.write("c/work/RfcSim.ini", landscape);
    set_options(options);
    EXPECT_TRUE(open_rfc_library(platform_, library_).is_ok());
  }

  void set_options(const std::string& options) {
    options_ = read_options(options);
    log_.switch_to(platform_, options_.syslog);
  }

  RfcContext context() { return RfcContext{platform_, library_.entry_points, log_, options_.overrides}; }
  const RfcEntryPoints& rfc() const { return library_.entry_points; }
  // The console of the code under test.
  const std::string& console() const { return platform_.console; }
  const TempDrives& drives() const { return drives_; }
  std::string log_text() const { return drives_.read("c/work/Quillar.log"); }

 private:
  TempDrives drives_;
  FreshStandIns stand_ins_;
  std::unique_ptr<Platform> system_ = make_system_platform();
  ConsoleCapture platform_{*system_};
  Options options_;
  DiagnosticLog log_;
  RfcLibrary library_;
};

inline LogonEntries bin_entries() {
  LogonEntries entries;
  entries.destination = "BIN";
  entries.client = "100";
  entries.user = "RFCUSER";
  entries.password = "Secret#1";
  entries.language = "E";
  entries.mode = "R/3";
  entries.hostname = "sapbin";
  entries.sysnr = "00";
  entries.gwhost = "gwbin";
  entries.gwservice = "sapgw00";
  entries.extcompany = "ACME";
  return entries;
}

// The logon as the run takes it: by the route the working directory offers.
inline RFC_HANDLE open_connection(RfcContext& context, const LogonEntries& entries, LogonRecords& records) {
  return open_sap_connection(context, entries, LogonRoute::choose(context, entries.destination), records);
}

}  // namespace quillar

#endif  // QUILLAR_TESTS_RFC_SIM_LANDSCAPE_H_
