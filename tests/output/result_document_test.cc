#include "output/result_document.h"

#include <gtest/gtest.h>

#include "output/texts.h"

namespace quillar {
namespace {

ResultDocument document_for(std::string_view mode, std::string_view options_as_typed) {
  return ResultDocument(document_format(mode, upper_case(options_as_typed), options_as_typed));
}

TEST(ResultDocumentTest, ErrorDocumentIsPrtgXmlInEveryMode) {
  for (std::string_view mode : kModeKeywords) {
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
  EXPECT_EQ(document.text(), "<Prtg>\n<Error>1</Error>\n<Text>a < b & c %s %n</Text>\n</Prtg>\n");
}

// begin_document, begin_text, the message M, end_text, a stand-in for the
// channels, end_document, on a buffer that held text before.
std::string framed(std::string_view mode, std::string_view options) {
  ResultDocument document = document_for(mode, options);
  document.append("old text");
  document.begin_document();
  document.begin_text();
  document.append("M <&>");
  document.end_text();
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
      {"EXEXML", "", "\n<Prtg>\n\n<Text>M <&></Text>\n|channels|\n</Prtg>\n"},
      {"Quendal", "", "\n<Prtg>\n\n<Text>M <&></Text>\n|channels|\n</Prtg>\n"},
      {"Dravik", "ch=1", "\n<Prtg>\n\n<Text>M <&></Text>\n|channels|\n</Prtg>\n"},
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

TEST(ResultDocumentTest, ReadsTheChannelSelectionBehindCh) {
  const struct {
    const char* options;
    bool selection;
    long channel;
  } cases[] = {
      {"", false, 0},           {"CH=2", true, 2},         {"ch=2", true, 2},
      {"CH=1234", true, 123},   {"CH=12,LAN=1", true, 12}, {"CH=1,2", true, 1},
      {"CH=,5", true, 0},       {"CH=abc", true, 0},       {"CH= 7", true, 7},
      {"CH=-3", true, -3},      {"CH=", true, 0},          {"X CH=4 CH=5", true, 4},
  };
  for (const auto& c : cases) {
    DocumentFormat format = document_format("Tolvane", upper_case(c.options), c.options);
    EXPECT_EQ(format.channel_selection, c.selection) << c.options;
    EXPECT_EQ(format.selected_channel, c.channel) << c.options;
  }
}

TEST(ResultDocumentTest, ModeKeywordsMatchInAnyLetterCase) {
  EXPECT_EQ(find_mode_keyword("exexml"), "EXEXML");
  EXPECT_EQ(find_mode_keyword("MERVESK"), "Mervesk");
  EXPECT_EQ(find_mode_keyword("tolVANE"), "Tolvane");
  EXPECT_EQ(find_mode_keyword("Quendal "), std::nullopt);
  EXPECT_EQ(find_mode_keyword(""), std::nullopt);
  EXPECT_EQ(find_mode_keyword("XML"), std::nullopt);
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
