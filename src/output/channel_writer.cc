#include "output/channel_writer.h"

#include "base/texts.h"

namespace quillar {
namespace {

// A key that the statistic-line readers accept as one word.
std::string safe_key(std::string_view key) {
  std::string safe(key);
  for (char& c : safe) {
    switch (c) {
      case ' ': case '/': case '\\': case '[': case ']': case '-':
        c = '_';
        break;
      default:
        break;
    }
  }
  // Only the first full stop: later ones stay, as existing readers expect.
  std::size_t dot = safe.find('.');
  if (dot != std::string::npos) safe[dot] = '_';
  return safe;
}

std::string_view line_unit(std::string_view unit) {
  if (unit.empty()) return "#";
  if (unit == "PerCent") return "%";
  if (unit == "TimeResponse") return "mSec";
  return unit;
}

}  // namespace

void ChannelWriter::write_channel(ResultDocument& document, std::string_view key,
                                  std::string_view label, std::string_view value,
                                  std::string_view unit) {
  ++channel_counter_;
  const DocumentFormat& format = document.format();
  if (format.framing == Framing::kStatisticLine && channel_counter_ > kStatisticLineLimit) return;

  label = cut_to(label, kKeyRoom);
  value = cut_to(value, kValueRoom);
  unit = cut_to(unit, kUnitRoom);
  std::string key_text = safe_key(cut_to(key.empty() ? label : key, kKeyRoom));

  switch (format.framing) {
    case Framing::kStatisticLine:
      document.append("\n\nMessage.");
      document.append(key_text);
      document.append(": ");
      document.append(label);
      document.append(" (");
      document.append(line_unit(unit));
      document.append(")");
      document.append("\nStatistic.");
      document.append(key_text);
      document.append(": ");
      document.append(value);
      return;
    case Framing::kValueLine:
      if (format.channel_selection) {
        if (format.selected_channel == channel_counter_) document.append(value);
        return;
      }
      document.append("\n> ");
      document.append(label);
      document.append(": ");
      document.append(value);
      document.append(" ");
      document.append(line_unit(unit));
      return;
    case Framing::kXml:
      document.append("\n<Result><Channel>");
      document.append_element_text(label);
      document.append("</Channel>");
      if (!unit.empty()) {
        document.append("\n<Unit>Custom</Unit>");
        document.append("\n<CustomUnit>");
        document.append_element_text(unit);
        document.append("</CustomUnit>");
      }
      document.append("\n<Value>");
      document.append_element_text(value);
      document.append("</Value></Result>\n");
      return;
  }
}

std::string group_digits(std::string_view digits) {
  std::string grouped(digits);
  std::size_t n = digits.size();
  if (n >= 7) {
    grouped.insert(n - 3, ".");
    grouped.insert(n - 6, ".");
  } else if (n >= 4) {
    grouped.insert(n - 3, ".");
  }
  return grouped;
}

}  // namespace quillar
