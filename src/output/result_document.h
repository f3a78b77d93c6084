// The result document: the one text that the sensor hands to the monitor on
// standard output, assembled piece by piece in the result buffer.
#ifndef QUILLAR_OUTPUT_RESULT_DOCUMENT_H_
#define QUILLAR_OUTPUT_RESULT_DOCUMENT_H_

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillar {

enum class Framing { kXml, kStatisticLine, kValueLine };

// The output modes. A new mode is one row of kModes, and a new framing one
// case of the channel writer. kCount stays last: it sizes kModes.
enum class Mode { kExeXml, kQuendal, kDravik, kMervesk, kTolvane, kCount };

// The mode of a run whose options name none.
inline constexpr Mode kDefaultMode = Mode::kExeXml;

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

// Row k describes the mode numbered k. The array has a row for every Mode,
// so a missing row is one filled with zeros, which the static_assert below
// refuses at compile time.
inline constexpr std::array<ModeRow, static_cast<std::size_t>(Mode::kCount)> kModes = {{
    {Mode::kExeXml, "EXEXML", Framing::kXml, ProfileSearch::kPrtgFolder},
    {Mode::kQuendal, "Quendal", Framing::kXml, ProfileSearch::kAsNamed},
    {Mode::kDravik, "Dravik", Framing::kXml, ProfileSearch::kAsNamed},
    {Mode::kMervesk, "Mervesk", Framing::kStatisticLine, ProfileSearch::kAsNamed},
    {Mode::kTolvane, "Tolvane", Framing::kValueLine, ProfileSearch::kAsNamed},
}};

constexpr bool every_mode_has_its_row() {
  for (std::size_t k = 0; k < kModes.size(); ++k) {
    if (kModes[k].mode != static_cast<Mode>(k) || kModes[k].keyword.empty()) return false;
  }
  return true;
}
static_assert(every_mode_has_its_row(), "kModes holds one row per Mode, in the order of the enum");

// The row of a mode (any but kCount).
const ModeRow& mode_row(Mode mode);

// The keywords of the modes that `selected` takes, in the order of kModes,
// listed as a sentence lists them ("A, B or C"); `after_default` follows the
// keyword of kDefaultMode. The texts that name modes are made from it, so a
// new row names itself everywhere.
std::string listed_modes(const std::function<bool(const ModeRow&)>& selected = {},
                         std::string_view after_default = {});

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
