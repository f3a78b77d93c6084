// What the end-to-end suites share: the one host of the suite, and the ways
// they compare output.
#ifndef QUILLAR_TESTS_E2E_E2E_SUPPORT_H_
#define QUILLAR_TESTS_E2E_E2E_SUPPORT_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "e2e/sensor_process.h"

namespace quillar::e2e {

// The host of the whole suite, with its one wineserver under wine.
SensorHost& host();

// Whether the sensor reaches the NetWeaver SDK through its bridge
// (QUILLAR_E2E_RFC_LIBRARY=nwrfc), where a few outputs differ.
bool behind_netweaver_bridge();

// Trace lines carry the time of day; tests expect "hh:mm:ss" in its place.
std::string with_times_masked(std::string text);

std::string error_document(const std::string& text);

// A file's content; nothing for anything but a file, which a read might
// wait on.
std::string read_local(const std::filesystem::path& path);

// A text as one word of a POSIX shell; it holds no single quote.
std::string shell_quoted(const std::string& text);

// Runs `program` (a host path) with `arguments` in the working directory
// `working_dir`, in a mount namespace of its own, after the shell commands
// `prelude` (as root there). Nothing when this machine gives no such
// namespace.
std::optional<ProcessResult> run_in_own_mounts(const std::string& prelude, const std::string& program,
                                               const std::vector<std::string>& arguments,
                                               const std::string& working_dir);

// "Secret#1" as a profile stores it.
inline const std::string kStoredPassword = ";/1<P|d'TPTUnNHWU\\F3.uvg";

// A system profile of the label format, with CR LF line ends: user rfcuser,
// language E, mode R/3, the host also as gateway host, gateway service
// sapgw<sysnr>, external company ACME.
std::string profile(const std::string& destination, const std::string& client, const std::string& host,
                    const std::string& sysnr, const std::string& password = kStoredPassword);

// A system of the stand-in's landscape (RfcSim.ini): its application
// server, client 100, user RFCUSER with the password "Secret#1", and `more`
// lines of its own.
std::string landscape_system(const std::string& name, const std::string& host, const std::string& sysnr,
                             const std::string& more);

// The expected standard output of a case, from expected/<name>.txt.
std::string expected_output(const std::string& name);

// With QUILLAR_E2E_RECORD set, writes a native run's output as the expected
// output of the case, for a developer to read through and commit.
void record_output(const std::string& name, const std::string& output);

}  // namespace quillar::e2e

#endif  // QUILLAR_TESTS_E2E_E2E_SUPPORT_H_
