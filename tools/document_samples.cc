// Prints one sample result document in each output mode, built by the
// sensor's own document and channel code from fixed example counts, so that
// the modes can be compared side by side.
#include <cstdio>
#include <string>

#include "output/channel_writer.h"
#include "output/result_document.h"

namespace {

struct SampleChannel {
  const char* label;
  const char* value;
};

constexpr SampleChannel kChannels[] = {
    {"Packets/Sec", "12345"}, {"In-Packets/Sec", "6789"}, {"Out-Packets/Sec", "5556"},
    {"In-Errors", "0"},       {"Out-Errors", "0"},        {"Collision(s)", "0"},
};

void print_sample(const char* mode, const char* options) {
  quillar::ResultDocument document(quillar::document_format(mode, options, options));
  quillar::ChannelWriter writer;
  document.begin_document();
  document.begin_text();
  document.append("(BIN) Network-Usage: Traffics=" + quillar::group_digits("12345") +
                  ", InPacks=" + quillar::group_digits("6789") + ", OutPacks=" +
                  quillar::group_digits("5556") + ", InErr=0, OutErr=0, Collisions=0");
  document.end_text();
  for (const SampleChannel& channel : kChannels) {
    writer.write_channel(document, "", channel.label, channel.value, "");
  }
  document.end_document();
  std::printf("----- mode %s%s%s -----\n", mode, *options != '\0' ? ", options " : "", options);
  std::fputs(document.text().c_str(), stdout);
  std::printf("\n");
}

}  // namespace

int main() {
  for (std::string_view mode : quillar::kModeKeywords) print_sample(std::string(mode).c_str(), "");
  print_sample("Tolvane", "CH=2");
  return 0;
}
