#include "rfc/nwrfc_support.h"

#include <cstdio>

namespace quillar {

std::string trimmed(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::string();
  return std::string(text.substr(first, text.find_last_not_of(" \t") + 1 - first));
}

std::string text_of(const char* text) { return text != nullptr ? text : ""; }

void copy_into(char* target, std::size_t room, const std::string& text) {
  std::snprintf(target, room, "%s", text.c_str());
}

}  // namespace quillar
