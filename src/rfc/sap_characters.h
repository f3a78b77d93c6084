// The one conversion between the sensor's single-byte texts (the Windows
// code page 1252, whose first 256 characters the sensor's texts use) and
// the UTF-16 texts (SAP_UC) of the NetWeaver RFC SDK.
#ifndef QUILLAR_RFC_SAP_CHARACTERS_H_
#define QUILLAR_RFC_SAP_CHARACTERS_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "rfc/sapnwrfc.h"

namespace quillar {

using SapText = std::basic_string<nwrfc::SAP_UC>;

// Each byte as its UTF-16 character.
SapText to_sap_text(std::string_view text);

// At most `length` characters of `text`, up to a zero character; a character
// with no single-byte form becomes "?".
std::string from_sap_text(const nwrfc::SAP_UC* text, std::size_t length);

}  // namespace quillar

#endif  // QUILLAR_RFC_SAP_CHARACTERS_H_
