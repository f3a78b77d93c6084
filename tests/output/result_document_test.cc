#include "output/result_document.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "driver/options.h"

namespace quillar {
namespace {

ResultDocument document_for(std::string_view mode, std::string_view options_as_typed) {
  Options options = read_options(options_as_typed);
  return ResultDocument(document_format(find_mode(mode).value(), options.channel_selection, options.selected_channel));
}

TEST(ResultDocumentTest, ErrorDocumentIsPrtgXmlInEveryMode) {
  for (const ModeRow& row : kModes) {
    const std::string_view mode = row.keyword;
    for (const char* options : {"", "CH=2"}) {
      ResultDocument document = document_for(mode, options);
      document.begin_document();
      document.append("discarded");
      document.write_error_document("Error 1001: Parameter for Profile-Name is missing !");
      EXPECT_EQ(document.text(),
                "<Prtg>\n<Error>1</Error>\n<Text>Error 1001: Parameter for Profile-Name is missing "
                "!</Text>\n</Prtg>\n")
          << mode << " " << options;
    }
  }
  ResultDocument document;
  document.write_error_document("");
  EXPECT_EQ(document.text(), "<Prtg>\n<Error>1</Error>\n<Text></Text>\n</Prtg>\n");
  document.write_error_document("a < b & c %s %n");
  EXPECT_EQ(document.text(), "<Prtg>\n<Error>1</Error>\n<Text>a &lt; b &amp; c %s %n</Text>\n</Prtg>\n");
}

TEST(ResultDocumentTest, EscapesElementTextInTheXmlFramingsOnly) {
  const struct {
    const char* mode;
    std::string text;
    std::string written;
  } cases[] = {
      {"EXEXML", "(BIN) plain", "(BIN) plain"},
      {"EXEXML", "</Text><Result>", "&lt;/Text&gt;&lt;Result&gt;"},
      {"Quendal", "R&D", "R&amp;D"},
      {"Dravik", "&amp;", "&amp;amp;"},
      {"EXEXML", std::string("a\x01" "b\x1f\x7f\xe4", 6), std::string("a?b?\x7f&#228;", 11)},
      {"EXEXML", "tab\tlf\ncr\r", "tab\tlf\ncr\r"},
      {"EXEXML", std::string("nul\0", 4), "nul?"},
      {"Mervesk", std::string("<%s&>\x01", 6), std::string("<%s&>\x01", 6)},
      {"Tolvane", "R&D<x>", "R&D<x>"},
      {"Mervesk", "LAN=\xe4\x80", "LAN=\xe4\x80"},
  };
  for (const auto& c : cases) {
    ResultDocument document = document_for(c.mode, "");
    document.append_element_text(c.text);
    EXPECT_EQ(document.text(), c.written) << c.mode << " " << c.text;
  }
}

// Code page 1252 bytes become references of their characters, so the XML
// is pure ASCII and reads the same under any encoding.
TEST(ResultDocumentTest, WritesEveryHighByteAsItsCodePage1252Character) {
  const struct {
    unsigned char byte;
    const char* written;
  } cases[] = {
      {0x80, "&#8364;"}, {0x81, "?"},       {0x82, "&#8218;"}, {0x8A, "&#352;"},  {0x8D, "?"},
      {0x8E, "&#381;"},  {0x8F, "?"},       {0x90, "?"},       {0x91, "&#8216;"}, {0x99, "&#8482;"},
      {0x9C, "&#339;"},  {0x9D, "?"},       {0x9E, "&#382;"},  {0x9F, "&#376;"},  {0xA0, "&#160;"},
      {0xC4, "&#196;"},  {0xDF, "&#223;"},  {0xE4, "&#228;"},  {0xFF, "&#255;"},
  };
  for (const auto& c : cases) {
    std::string buffer;
    append_xml_text(buffer, std::string(1, static_cast<char>(c.byte)), 100);
    EXPECT_EQ(buffer, c.written) << static_cast<int>(c.byte);
  }

  // Every high byte at once, in an error document: ASCII only, and each
  // reference names the character the byte stands for.
  std::string all;
  for (int byte = 0x80; byte <= 0xFF; ++byte) all += static_cast<char>(byte);
  ResultDocument document = document_for("Mervesk", "");
  document.write_error_document(all);
  const std::string& text = document.text();
  for (char c : text) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
  for (const char* reference : {"&#8364;?&#8218;", "&#8217;", "&#732;&#8482;", "&#160;", "&#254;&#255;</Text>"}) {
    EXPECT_NE(text.find(reference), std::string::npos) << reference;
  }
  EXPECT_EQ(std::count(text.begin(), text.end(), '?'), 5);
}

TEST(ResultDocumentTest, EscapedTextIsCutBeforeAnEntityNeverInsideIt) {
  ResultDocument document;
  document.append(std::string(ResultDocument::kRoom - 7, 'x'));
  document.append_element_text("ab&c<");
  EXPECT_EQ(document.text().substr(ResultDocument::kRoom - 7), "ab&amp;");

  std::string buffer = "12";
  append_xml_text(buffer, "<<", 7);
  EXPECT_EQ(buffer, "12&lt;");

  // A reference is as whole as an entity.
  buffer = "12";
  append_xml_text(buffer, "\xe4\xe4", 13);
  EXPECT_EQ(buffer, "12&#228;");

  document.write_error_document(std::string(5000, '&'));
  EXPECT_LE(document.text().size(), ResultDocument::kRoom);
  const std::string& text = document.text();
  const std::string end = "&amp;&amp;</Text>\n</Prtg>\n";
  EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

// begin_document, the text element with the message M, a stand-in for the
// channels, end_document, on a buffer that held text before.
std::string framed(std::string_view mode, std::string_view options) {
  ResultDocument document = document_for(mode, options);
  document.append("old text");
  document.begin_document();
  document.write_text("M <&>");
  document.append("|channels|");
  document.end_document();
  return document.text();
}

TEST(ResultDocumentTest, FramesTheDocumentByMode) {
  const struct {
    const char* mode;
    const char* options;
    const char* document;
  } cases[] = {
      {"EXEXML", "", "\n<Prtg>\n\n<Text>M &lt;&amp;&gt;</Text>\n|channels|\n</Prtg>\n"},
      {"Quendal", "", "\n<Prtg>\n\n<Text>M &lt;&amp;&gt;</Text>\n|channels|\n</Prtg>\n"},
      {"Dravik", "ch=1", "\n<Prtg>\n\n<Text>M &lt;&amp;&gt;</Text>\n|channels|\n</Prtg>\n"},
      {"Mervesk", "", "\n# M <&>|channels|\n"},
      {"Mervesk", "CH=1", "\n# M <&>|channels|\n"},
      {"Tolvane", "", "\n# M <&>|channels|\n"},
      // The channel selection throws away the opening and the message text,
      // also when it was typed in lower case.
      {"Tolvane", "CH=1", "|channels|\n"},
      {"Tolvane", "lan=eth0,ch=3", "|channels|\n"},
      {"Tolvane", "CHANNEL=1", "\n# M <&>|channels|\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(framed(c.mode, c.options), c.document) << c.mode << " " << c.options;
  }
}

TEST(ResultDocumentTest, ModeKeywordsMatchInAnyLetterCase) {
  EXPECT_EQ(find_mode("exexml"), Mode::kExeXml);
  EXPECT_EQ(find_mode("MERVESK"), Mode::kMervesk);
  EXPECT_EQ(find_mode("tolVANE"), Mode::kTolvane);
  EXPECT_EQ(find_mode("Quendal "), std::nullopt);
  EXPECT_EQ(find_mode(""), std::nullopt);
  EXPECT_EQ(find_mode("XML"), std::nullopt);
}

// The texts that name modes select them by what they do.
TEST(ResultDocumentTest, ListsTheModesSelectedAndMarksTheDefaultOnly) {
  const auto only = [](Mode mode) { return [mode](const ModeRow& row) { return row.mode == mode; }; };
  EXPECT_EQ(listed_modes(only(kDefaultMode), "*"), std::string(mode_row(kDefaultMode).keyword) + "*");
  EXPECT_EQ(listed_modes(only(Mode::kDravik), "*"), "Dravik");
  EXPECT_EQ(listed_modes([](const ModeRow&) { return false; }), "");
}

TEST(ResultDocumentTest, NeverHoldsMoreThanItsRoom) {
  ResultDocument document;
  document.begin_document();
  document.append(std::string(5000, 'x'));
  EXPECT_EQ(document.text().size(), ResultDocument::kRoom);
  document.end_document();
  EXPECT_EQ(document.text().size(), ResultDocument::kRoom);

  document.write_error_document(std::string(5000, 'e'));
  EXPECT_EQ(document.text().size(), ResultDocument::kRoom);
  EXPECT_EQ(document.text().substr(0, 30), "<Prtg>\n<Error>1</Error>\n<Text>");
  EXPECT_EQ(document.text().substr(ResultDocument::kRoom - 16), "</Text>\n</Prtg>\n");
}

}  // namespace
}  // namespace quillar
