#include "rfc/sap_characters.h"

#include "base/code_page_1252.h"

namespace quillar {

SapText to_sap_text(std::string_view text) {
  SapText converted;
  converted.reserve(text.size());
  for (char c : text) converted += static_cast<nwrfc::SAP_UC>(code_page_1252_character(static_cast<unsigned char>(c)));
  return converted;
}

std::string from_sap_text(const nwrfc::SAP_UC* text, std::size_t length) {
  std::string converted;
  for (std::size_t i = 0; text != nullptr && i < length && text[i] != 0; ++i) {
    converted += code_page_1252_byte(static_cast<char16_t>(text[i])).value_or('?');
  }
  return converted;
}

}  // namespace quillar
