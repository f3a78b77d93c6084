// The result document: the one text that the sensor hands to the monitor on
// standard output, assembled piece by piece in the result buffer.
#ifndef QUILLAR_OUTPUT_RESULT_DOCUMENT_H_
#define QUILLAR_OUTPUT_RESULT_DOCUMENT_H_

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillar {

enum class Framing { kXml, kStatisticLine, kValueLine };

// The output modes. A new mode is one row of kModes, and a new framing one
// case of the channel writer.
enum class Mode { kExeXml, kQuendal, kDravik, kMervesk, kTolvane };

// Where a mode looks for the profile: in PRTG's sensor folder, or where the
// command line names it.
enum class ProfileSearch { kPrtgFolder, kAsNamed };

struct ModeRow {
  Mode mode;
  // The value of the mode keyword, as the texts spell it; read in any letter
  // case.
  std::string_view keyword;
  Framing framing;
  ProfileSearch profile_search;
};

// Row k describes the mode numbered k.
inline constexpr std::array<ModeRow, 5> kModes = {{
    {Mode::kExeXml, "EXEXML", Framing::kXml, ProfileSearch::kPrtgFolder},
    {Mode::kQuendal, "Quendal", Framing::kXml, ProfileSearch::kAsNamed},
    {Mode::kDravik, "Dravik", Framing::kXml, ProfileSearch::kAsNamed},
    {Mode::kMervesk, "Mervesk", Framing::kStatisticLine, ProfileSearch::kAsNamed},
    {Mode::kTolvane, "Tolvane", Framing::kValueLine, ProfileSearch::kAsNamed},
}};

const ModeRow& mode_row(Mode mode);

// Appends `text` to `buffer` as XML character data: "&", "<" and ">" become
// entities; control characters other than tab, line feed and carriage
// return, which XML 1.0 cannot hold, become "?"; each byte from 0x80 on, a
// character of code page 1252, becomes its numeric character reference
// ("&#228;" for 0xE4), or "?" where the code page defines none, so that the
// document is pure ASCII. Stops before the first character whose escaped form
// would take `buffer` beyond `room` characters.
void append_xml_text(std::string& buffer, std::string_view text, std::size_t room);

// The mode that `value` names in any letter case, if any.
std::optional<Mode> find_mode(std::string_view value);

// How this run writes its documents.
struct DocumentFormat {
  Framing framing = Framing::kXml;
  // The options select a channel: the value-line framing then writes the
  // value of channel number `selected_channel` alone.
  bool channel_selection = false;
  long selected_channel = 0;
};

// The format of a mode with the options' channel selection.
DocumentFormat document_format(Mode mode, bool channel_selection = false, long selected_channel = 0);

class ResultDocument {
 public:
  // The buffer holds at most this many characters; appending beyond them cuts
  // the text. No document of the sensor comes near it.
  static constexpr std::size_t kRoom = 4095;

  explicit ResultDocument(DocumentFormat format = {}) : format_(format) {}

  const DocumentFormat& format() const { return format_; }

  // The framing pieces of a normal document, in the form of the framing.
  void begin_document();
  void end_document();
  // The text element (the message, the summary) with `text` in it. The
  // value-line framing with a channel selection writes no text element, and
  // drops what the document held before it: such a document is the bare
  // value.
  void write_text(std::string_view text);

  // Replaces the whole buffer, in every mode, by the PRTG error document that
  // carries `error_text`, escaped as XML text. An overlong text is cut so that
  // the document still closes.
  void write_error_document(std::string_view error_text);

  // Appends markup or text that needs no escaping, cut at the room.
  void append(std::string_view text);
  // Appends text that stands inside an element (<Text>, <Channel>): escaped as
  // XML text in the XML framing, as it stands in the line framings, which
  // are not XML. Cut at the room, never inside an entity.
  void append_element_text(std::string_view text);
  const std::string& text() const { return buffer_; }

 private:
  DocumentFormat format_;
  std::string buffer_;
};

}  // namespace quillar

#endif  // QUILLAR_OUTPUT_RESULT_DOCUMENT_H_
