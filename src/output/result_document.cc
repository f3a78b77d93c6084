#include "output/result_document.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/texts.h"

namespace quillar {

namespace {

constexpr bool every_mode_has_its_row() {
  for (std::size_t k = 0; k < kModes.size(); ++k) {
    if (kModes[k].mode != static_cast<Mode>(k)) return false;
  }
  return true;
}
static_assert(every_mode_has_its_row(), "kModes holds one row per Mode, in the order of the enum");

}  // namespace

const ModeRow& mode_row(Mode mode) { return kModes[static_cast<std::size_t>(mode)]; }

std::optional<Mode> find_mode(std::string_view value) {
  std::string wanted = upper_case(value);
  for (const ModeRow& row : kModes) {
    if (upper_case(row.keyword) == wanted) return row.mode;
  }
  return std::nullopt;
}

DocumentFormat document_format(Mode mode, bool channel_selection, long selected_channel) {
  DocumentFormat format;
  format.framing = mode_row(mode).framing;
  format.channel_selection = channel_selection;
  format.selected_channel = selected_channel;
  return format;
}

namespace {

// The characters of code page 1252 at 0x80 to 0x9F; 0 where it defines none.
// From 0xA0 on the code page agrees with Latin-1.
constexpr std::array<std::uint16_t, 32> kWindows1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// A byte of 0x80 or above as the reference of its code page 1252 character,
// which reads the same under any encoding PRTG assumes; "?" for the five
// bytes the code page leaves undefined.
std::string character_reference(unsigned char byte) {
  std::uint16_t code = byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
  return code == 0 ? "?" : "&#" + std::to_string(code) + ";";
}

}  // namespace

void append_xml_text(std::string& buffer, std::string_view text, std::size_t room) {
  std::string reference;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    std::string_view piece(&c, 1);
    switch (c) {
      case '&': piece = "&amp;"; break;
      case '<': piece = "&lt;"; break;
      case '>': piece = "&gt;"; break;
      case '\t': case '\n': case '\r': break;
      default:
        if (byte < 0x20) piece = "?";
        if (byte >= 0x80) piece = reference = character_reference(byte);
        break;
    }
    if (buffer.size() + piece.size() > room) return;
    buffer.append(piece);
  }
}

void ResultDocument::begin_document() {
  buffer_.clear();
  if (format_.framing == Framing::kXml) append("\n<Prtg>\n");
}

void ResultDocument::write_text(std::string_view text) {
  if (format_.framing == Framing::kValueLine && format_.channel_selection) {
    buffer_.clear();
    return;
  }
  append(format_.framing == Framing::kXml ? "\n<Text>" : "\n# ");
  append_element_text(text);
  if (format_.framing == Framing::kXml) append("</Text>\n");
}

void ResultDocument::end_document() {
  append(format_.framing == Framing::kXml ? "\n</Prtg>\n" : "\n");
}

void ResultDocument::write_error_document(std::string_view error_text) {
  constexpr std::string_view kHead = "<Prtg>\n<Error>1</Error>\n<Text>";
  constexpr std::string_view kTail = "</Text>\n</Prtg>\n";
  buffer_.assign(kHead);
  append_xml_text(buffer_, error_text, kRoom - kTail.size());
  buffer_.append(kTail);
}

void ResultDocument::append(std::string_view text) {
  std::size_t room = kRoom - buffer_.size();
  buffer_.append(cut_to(text, room));
}

void ResultDocument::append_element_text(std::string_view text) {
  if (format_.framing == Framing::kXml) {
    append_xml_text(buffer_, text, kRoom);
  } else {
    append(text);
  }
}

}  // namespace quillar
