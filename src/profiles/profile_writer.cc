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
  const std::size_t at = content.rfind(label, 0) == 0 ? 0 : content.find("\n" + label);
  if (at == std::string::npos) {
    const std::string line_end = content.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    if (!content.empty() && content.back() != '\n') content += line_end;
    return content + line + line_end;
  }
  const std::size_t start = at == 0 ? 0 : at + 1;
  const std::size_t end = std::min(content.find_first_of("\r\n", start), content.size());
  return content.replace(start, end - start, line);
}

}  // namespace quillar
