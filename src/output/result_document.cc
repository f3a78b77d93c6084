#include "output/result_document.h"

#include <algorithm>
#include <vector>

#include "base/code_page_1252.h"
#include "base/texts.h"

namespace quillar {

const ModeRow& mode_row(Mode mode) { return kModes[static_cast<std::size_t>(mode)]; }

std::string listed_modes(const std::function<bool(const ModeRow&)>& selected, std::string_view after_default) {
  std::vector<std::string> keywords;
  for (const ModeRow& row : kModes) {
    if (selected && !selected(row)) continue;
    keywords.push_back(std::string(row.keyword) + std::string(row.mode == kDefaultMode ? after_default : ""));
  }
  return listed_words(keywords);
}

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

// A byte of 0x80 or above as the reference of its code page 1252 character,
// which reads the same under any encoding PRTG assumes; "?" for the five
// bytes the code page leaves undefined.
std::string character_reference(unsigned char byte) {
  if (!code_page_1252_defines(byte)) return "?";
  return "&#" + std::to_string(code_page_1252_character(byte)) + ";";
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
