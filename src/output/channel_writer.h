// The channel writer: one measured channel into the result document, in the
// form of the run's framing.
#ifndef QUILLAR_OUTPUT_CHANNEL_WRITER_H_
#define QUILLAR_OUTPUT_CHANNEL_WRITER_H_

#include <string>
#include <string_view>

#include "output/result_document.h"

namespace quillar {

class ChannelWriter {
 public:
  // The statistic-line framing writes the first this many channels of a run.
  static constexpr int kStatisticLineLimit = 10;
  // The most characters of a key or label, a value and a unit that one channel
  // carries; longer texts are cut.
  static constexpr std::size_t kKeyRoom = 123;
  static constexpr std::size_t kValueRoom = 111;
  static constexpr std::size_t kUnitRoom = 123;

  // Appends one channel. `key` names the channel in statistic lines (the label
  // serves when it is empty); `label` is its name as the monitor shows it;
  // `value` is written unchanged; `unit` may be empty. Every call counts, also
  // one that writes nothing because of the channel limit or the channel selection.
  void write_channel(ResultDocument& document, std::string_view key, std::string_view label,
                     std::string_view value, std::string_view unit);

  // Calls of write_channel so far in this run.
  int channel_counter() const { return channel_counter_; }

 private:
  int channel_counter_ = 0;
};

// A digit string with "." as thousands separator: 1234567 gives 1.234.567. At
// most two separators are set, which covers every 32-bit count.
std::string group_digits(std::string_view digits);

}  // namespace quillar

#endif  // QUILLAR_OUTPUT_CHANNEL_WRITER_H_
