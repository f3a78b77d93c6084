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

}  // namespace
}  // namespace quillar
