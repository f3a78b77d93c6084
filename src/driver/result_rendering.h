// What a processing run prints, as strings: the documents, the channels and
// the trace lines. The run decides when each is printed; nothing here prints.
#ifndef QUILLAR_DRIVER_RESULT_RENDERING_H_
#define QUILLAR_DRIVER_RESULT_RENDERING_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"
#include "measure/network_usage.h"
#include "output/channel_writer.h"
#include "output/result_document.h"
#include "profiles/system_profile.h"

namespace quillar {

// The documents and channels of one run in its format. The channels are
// counted across the run, for the channel selection and the limit of the
// statistic lines.
class ResultRenderer {
 public:
  explicit ResultRenderer(const DocumentFormat& format) : format_(format) {}

  // The single-system run's document: the message and the six channels.
  std::string measurement_document(std::string_view destination, std::string_view interface_name,
                                   const Measurement& measurement);

  // The global run's document, in three parts: its head, one channel per
  // system that delivered, and the summary that closes it.
  std::string document_head() const;
  std::string channel(const std::string& name, std::uint32_t value);
  std::string summary(const std::string& item, std::uint32_t systems, std::uint32_t processed,
                      std::uint32_t failed) const;

 private:
  DocumentFormat format_;
  ChannelWriter channels_;
};

// "(DEST) Network-Usage: Traffics=..., ..." or, for one interface,
// "(DEST) Net-Usage LAN[NAME]: ...", with grouped digits.
std::string usage_message(std::string_view destination, std::string_view interface_name,
                          const std::array<std::uint32_t, 6>& totals);

// The fault of a failed call, with its numbered text.
Status failure_status(const Measurement& measurement);

// Trace lines, each without its line feed.
// "* hh:mm:ss TEXT"
std::string trace_line(const std::string& time, const std::string& text);
// "* hh:mm:ss NAME, host, destination, sysnr, client"
std::string system_line(const std::string& time, const std::string& profile_name, const LogonEntries& entries);
// "LINE State=STATE": what state the run or the system of a trace line is in.
std::string state_line(const std::string& line, std::string_view state);
// "* SapRfc.Ini.......: DEST<": a logon by destination file.
std::string destination_file_line(const std::string& destination);
// The closing trace, with the blank line before it and its line feed.
std::string processed_lines(const std::string& time);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_RESULT_RENDERING_H_
