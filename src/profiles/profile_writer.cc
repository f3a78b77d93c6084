#include "profiles/profile_writer.h"

#include <algorithm>

namespace quillar {
namespace {

const ProfileLabel& password_label() {
  for (const ProfileLabel& label : kProfileLabels) {
    if (label.entry == &LogonEntries::password) return label;
  }
  return kProfileLabels.front();
}

}  // namespace

std::string profile_line(const ProfileLabel& label, std::string_view value) {
  std::string line(label.label);
  line.resize(kValueColumn - 1, ' ');
  return line.append(value);
}

std::optional<std::string> profile_text(const LogonEntries& entries, const OffsetTable& table) {
  std::optional<std::string> stored = scramble_password(table, entries.password);
  if (!stored) return std::nullopt;
  std::string content;
  for (const ProfileLabel& label : kProfileLabels) {
    const bool password = label.entry == &LogonEntries::password;
    content += profile_line(label, password ? *stored : entries.*label.entry) + "\r\n";
  }
  return content;
}

std::optional<std::string> with_password(std::string content, std::string_view password, const OffsetTable& table) {
  std::optional<std::string> stored = scramble_password(table, password);
  if (!stored) return std::nullopt;
  const std::string line = profile_line(password_label(), *stored);
  const std::string label(password_label().label);
  // Every password line gets the new value: the reader takes the last one,
  // and a single-system run stops at the first that is bad.
  bool replaced = false;
  std::size_t start = 0;
  while (start < content.size()) {
    const std::size_t end = std::min(content.find_first_of("\r\n", start), content.size());
    if (content.compare(start, label.size(), label) == 0) {
      content.replace(start, end - start, line);
      replaced = true;
      start += line.size();
    } else {
      start = end;
    }
    const std::size_t next = content.find('\n', start);
    if (next == std::string::npos) break;
    start = next + 1;
  }
  if (replaced) return content;
  const std::string line_end = content.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  if (!content.empty() && content.back() != '\n') content += line_end;
  return content + line + line_end;
}

}  // namespace quillar
