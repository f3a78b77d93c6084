#include "base/texts.h"

#include <gtest/gtest.h>

namespace quillar {
namespace {

// Commas between the words, "or" before the last: the lists of modes in the
// help and in Error 1041 are made so.
TEST(TextsTest, ListsWordsAsASentenceDoes) {
  const struct {
    std::vector<std::string> words;
    std::string listed;
  } cases[] = {
      {{}, ""}, {{"A"}, "A"}, {{"A", "B"}, "A or B"}, {{"A", "B", "C"}, "A, B or C"}, {{"A", "B", "C", "D"}, "A, B, C or D"},
  };
  for (const auto& c : cases) EXPECT_EQ(listed_words(c.words), c.listed) << c.listed;
}

// Only blanks go: a tab or a zero byte is part of a value, and a text of
// blanks alone leaves nothing.
TEST(TextsTest, BlanksAtTheEndsGo) {
  const struct {
    std::string text;
    std::string without_ends;
    std::string without_trailing;
  } cases[] = {
      {"", "", ""},
      {"   ", "", ""},
      {"  PRD  ", "PRD", "  PRD"},
      {"eth0\t ", "eth0\t", "eth0\t"},
      {" a b ", "a b", " a b"},
      {std::string("x\0 ", 3), std::string("x\0", 2), std::string("x\0", 2)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(without_blanks_at_ends(c.text), c.without_ends) << "[" << c.text << "]";
    EXPECT_EQ(without_trailing_blanks(c.text), c.without_trailing) << "[" << c.text << "]";
  }
}

}  // namespace
}  // namespace quillar
