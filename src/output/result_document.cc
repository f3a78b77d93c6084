#include "output/result_document.h"

#include <algorithm>

#include "output/texts.h"

namespace quillar {

std::optional<std::string_view> find_mode_keyword(std::string_view value) {
  std::string wanted = upper_case(value);
  for (std::string_view keyword : kModeKeywords) {
    if (upper_case(keyword) == wanted) return keyword;
  }
  return std::nullopt;
}

DocumentFormat document_format(std::string_view mode_keyword, bool channel_selection, long selected_channel) {
  DocumentFormat format;
  if (mode_keyword == "Mervesk") {
    format.framing = Framing::kStatisticLine;
  } else if (mode_keyword == "Tolvane") {
    format.framing = Framing::kValueLine;
  }
  format.channel_selection = channel_selection;
  format.selected_channel = selected_channel;
  return format;
}

void append_xml_text(std::string& buffer, std::string_view text, std::size_t room) {
  for (char c : text) {
    std::string_view piece(&c, 1);
    switch (c) {
      case '&': piece = "&amp;"; break;
      case '<': piece = "&lt;"; break;
      case '>': piece = "&gt;"; break;
      case '\t': case '\n': case '\r': break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) piece = "?";
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
