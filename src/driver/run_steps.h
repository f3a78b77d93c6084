// The steps that the single-system run and the global run share: the RFC
// context of a run, its document format, the error report's installation and
// the logon with its destination-file line.
#ifndef QUILLAR_DRIVER_RUN_STEPS_H_
#define QUILLAR_DRIVER_RUN_STEPS_H_

#include <cstddef>

#include "driver/processing_run.h"
#include "output/result_document.h"
#include "rfc/connection.h"

namespace quillar {

// An error document's text after a failed call holds at most this many
// characters.
inline constexpr std::size_t kErrorTextRoom = 127;
// A channel name of the global run holds at most this many characters.
inline constexpr std::size_t kChannelNameRoom = 43;

// Makes the invocation's error report the library's error handler.
void install_error_report(Invocation& invocation, RFC_ENV& environment);

RfcContext rfc_context(Invocation& invocation, const Options& options);

DocumentFormat format_for(const RunSettings& settings, const Options& options);

// The "* SapRfc.Ini" line of a logon by destination file is no XML, so the
// XML framings show it only to someone who reads the trace.
bool shows_destination_file_line(const Options& options, const DocumentFormat& format);

// Logs on by the route the destination files choose. A logon by
// destination file shows its line before the library is called, since a
// logon that the library aborts ends the run with its error report.
RFC_HANDLE log_on(RfcContext& context, const LogonEntries& entries, LogonRecords& records,
                  bool show_destination_file_line);

// The trace state word of a result.
const char* state_word(SystemState state);

// How the single-system run shows its parameters in its Executing line: the
// options as typed, cut at the first "#" and then at the first "@";
// "(No Parameters)" when nothing remains.
std::string shown_parameters(const std::string& typed_options);

// The global run's name of a system's channel.
std::string channel_name_for(ChannelNaming naming, const std::string& profile_name, const LogonEntries& entries);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_RUN_STEPS_H_
