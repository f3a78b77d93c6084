#include "driver/result_rendering.h"

#include "base/errors.h"
#include "driver/run_settings.h"

namespace quillar {

std::string ResultRenderer::measurement_document(std::string_view destination, std::string_view interface_name,
                                                 const Measurement& measurement) {
  ResultDocument document(format_);
  document.begin_document();
  document.write_text(usage_message(destination, interface_name, measurement.totals));
  for (std::size_t k = 0; k < kChannelLabels.size(); ++k) {
    channels_.write_channel(document, "", kChannelLabels[k], std::to_string(measurement.totals[k]), "");
  }
  document.end_document();
  return document.text();
}

std::string ResultRenderer::document_head() const {
  ResultDocument head(format_);
  head.begin_document();
  return head.text();
}

std::string ResultRenderer::channel(const std::string& name, std::uint32_t value) {
  ResultDocument document(format_);
  channels_.write_channel(document, name, name, std::to_string(value), "");
  return document.text();
}

std::string ResultRenderer::summary(const std::string& item, std::uint32_t systems, std::uint32_t processed,
                                    std::uint32_t failed) const {
  ResultDocument document(format_);
  document.write_text("(***) " + item + ": NoSystems=" + std::to_string(systems) +
                      ", Processed=" + std::to_string(processed) + ", Failed=" + std::to_string(failed));
  document.end_document();
  return document.text();
}

std::string usage_message(std::string_view destination, std::string_view interface_name,
                          const std::array<std::uint32_t, 6>& totals) {
  auto grouped = [&](std::size_t k) { return group_digits(std::to_string(totals[k])); };
  std::string text = "(" + std::string(destination);
  text += interface_name.empty() ? ") Network-Usage: " : ") Net-Usage LAN[" + std::string(interface_name) + "]: ";
  text += "Traffics=" + grouped(0) + ",";
  text += " InPacks=" + grouped(1) + ",";
  text += " OutPacks=" + grouped(2) + ",";
  text += " InErr=" + grouped(3) + ",";
  text += " OutErr=" + grouped(4) + ",";
  text += " Collisions=" + grouped(5);
  return text;
}

Status failure_status(const Measurement& measurement) {
  switch (measurement.code) {
    case RFC_FAILURE:
      return error_status(Fault::kCallFailure);
    case RFC_EXCEPTION:
      return error_status(Fault::kCallException, {measurement.exception_name});
    case RFC_SYS_EXCEPTION:
      return error_status(Fault::kCallSystemException);
    default:
      return error_status(Fault::kCallOtherFailure);
  }
}

std::string trace_line(const std::string& time, const std::string& text) { return "* " + time + " " + text; }

std::string system_line(const std::string& time, const std::string& profile_name, const LogonEntries& entries) {
  return trace_line(time, profile_name + ", " + entries.hostname + ", " + entries.destination + ", " +
                              entries.sysnr + ", " + entries.client);
}

std::string state_line(const std::string& line, std::string_view state) {
  return line + " State=" + std::string(state);
}

std::string destination_file_line(const std::string& destination) {
  return "* SapRfc.Ini.......: " + destination + "<";
}

std::string processed_lines(const std::string& time) {
  return "\n" + trace_line(time, "SAP " + std::string(kProgramWord) + " now processed...") + "\n";
}

}  // namespace quillar
