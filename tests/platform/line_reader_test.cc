#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"

namespace quillar {
namespace {

std::vector<std::string> pieces_of(const std::string& content, std::size_t room, bool as_text,
                                   std::size_t read_chunk = 4096) {
  FakePlatform platform;
  platform.read_chunk = read_chunk;
  platform.files["f"] = content;
  std::unique_ptr<ReadableFile> file = as_text ? platform.open_text("f") : platform.open_bytes("f");
  LineReader reader(*file, room);
  std::vector<std::string> pieces;
  std::string piece;
  while (reader.next_piece(piece)) pieces.push_back(piece);
  return pieces;
}

struct PieceCase {
  const char* name;
  std::string content;
  std::size_t room;
  std::vector<std::string> expected;
};

TEST(LineReaderTest, SplitsIntoPiecesAsAFixedLineBufferDoes) {
  const std::string long_line = std::string(150, 'a') + "\n";
  const std::vector<PieceCase> cases = {
      {"empty file", "", 99, {}},
      {"last line without line feed", "a\nb", 99, {"a\n", "b"}},
      {"empty lines", "\n\n", 99, {"\n", "\n"}},
      {"long line in two pieces", long_line, 99, {std::string(99, 'a'), std::string(51, 'a') + "\n"}},
      {"line of exactly the room leaves its line feed alone",
       std::string(99, 'b') + "\nc\n", 99, {std::string(99, 'b'), "\n", "c\n"}},
      {"line one short of the room keeps its line feed", std::string(98, 'b') + "\n", 99,
       {std::string(98, 'b') + "\n"}},
      {"text ends at a zero byte, the piece still ends at the line feed",
       std::string("ab\0cd\nef\n", 9), 99, {"ab", "ef\n"}},
      {"zero byte first", std::string("\0x\n", 3), 99, {""}},
  };
  for (const PieceCase& c : cases) {
    EXPECT_EQ(pieces_of(c.content, c.room, false), c.expected) << c.name;
  }
}

TEST(LineReaderTest, TextFilesReadCrLfAsOneLineFeed) {
  const std::vector<PieceCase> cases = {
      {"CR LF", "a\r\nb\r\n", 99, {"a\n", "b\n"}},
      {"lone CR stays", "a\rb\n", 99, {"a\rb\n"}},
      {"CR CR LF keeps the first CR", "a\r\r\n", 99, {"a\r\n"}},
      {"CR at the end of the file stays", "a\r", 99, {"a\r"}},
      {"CR LF counts as one character of the room", std::string(98, 'x') + "\r\n", 99,
       {std::string(98, 'x') + "\n"}},
  };
  for (const PieceCase& c : cases) {
    EXPECT_EQ(pieces_of(c.content, c.room, true), c.expected) << c.name;
    // One byte per read puts every CR LF pair across a read boundary.
    EXPECT_EQ(pieces_of(c.content, c.room, true, 1), c.expected) << c.name << ", byte by byte";
  }
}

TEST(LineReaderTest, CrLfAcrossTheTranslationBlockIsOnePair) {
  std::string content = std::string(4095, 'x') + "\r\nnext\r\n";
  std::vector<std::string> pieces = pieces_of(content, 5000, true);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0], std::string(4095, 'x') + "\n");
  EXPECT_EQ(pieces[1], "next\n");
}

TEST(LineReaderTest, NextLineStripsOneCarriageReturnThenOneLineFeed) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"abc\n", "abc"}, {"abc\r", "abc"}, {"abc", "abc"},   {"abc\r\n", "abc\r"},
      {"\n", ""},       {"\r", ""},       {"a\n\n", "a\n"},
  };
  for (const auto& [raw, stripped] : cases) {
    std::string line = raw;
    strip_line_end(line);
    EXPECT_EQ(line, stripped) << "from " << testing::PrintToString(raw);
  }
  FakePlatform platform;
  platform.files["p"] = "one\r\ntwo\n" + std::string(120, 'z') + "\n";
  std::unique_ptr<ReadableFile> file = platform.open_text("p");
  LineReader reader(*file, 99);
  std::vector<std::string> lines;
  std::string line;
  while (reader.next_line(line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", std::string(99, 'z'), std::string(21, 'z')}));
}

// Notepad writes a byte order mark in front of "UTF-8" files: one is skipped
// wherever the file arrives in small reads; UTF-16 is told apart, with its
// mark or by the zero bytes of its first line.
TEST(LineReaderTest, ByteOrderMarks) {
  const struct {
    const char* name;
    std::string content;
    std::vector<std::string> lines;
    bool utf16;
    bool without_mark;
  } cases[] = {
      {"UTF-8 mark skipped", "\xEF\xBB\xBFUser.......: X\r\nB\r\n", {"User.......: X", "B"}, false, false},
      {"only the first mark", "\xEF\xBB\xBF\xEF\xBB\xBF" "A\n", {"\xEF\xBB\xBF" "A"}, false, false},
      {"a mark later in the file stays", "A\n\xEF\xBB\xBF" "B\n", {"A", "\xEF\xBB\xBF" "B"}, false, false},
      {"the mark alone", "\xEF\xBB\xBF", {}, false, false},
      {"part of a mark is data", "\xEF\xBB", {"\xEF\xBB"}, false, false},
      {"UTF-16 little endian", std::string("\xFF\xFEU\0s\0", 6), {"\xFF\xFEU"}, true, false},
      {"UTF-16 big endian", std::string("\xFE\xFF\0U", 4), {"\xFE\xFF"}, true, false},
      {"no mark", "A\n", {"A"}, false, false},
      {"UTF-16 little endian without a mark", std::string("D\0e\0\r\0\n\0x\0", 10), {"D", ""}, true, true},
      {"UTF-16 big endian without a mark", std::string("\0D\0e\0\r\0\n\0x", 10), {"", ""}, true, true},
      {"UTF-16 whose first line is empty", std::string("\n\0A\0", 4), {"", ""}, true, true},
      {"a zero byte in the first line", std::string("AB\0", 3), {"AB"}, true, true},
      {"a zero byte in a later line ends its text", std::string("A\nBC\0D\n", 7), {"A", "BC"}, false, false},
  };
  for (const auto& c : cases) {
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{4096}}) {
      FakePlatform platform;
      platform.read_chunk = chunk;
      platform.files["f"] = c.content;
      std::unique_ptr<ReadableFile> file = platform.open_text("f");
      LineReader reader(*file, 99);
      EXPECT_EQ(reader.saved_as_utf16(), c.utf16) << c.name << " " << chunk;
      EXPECT_EQ(reader.saved_as_utf16_without_mark(), c.without_mark) << c.name << " " << chunk;
      std::vector<std::string> lines;
      std::string line;
      while (reader.next_line(line)) lines.push_back(line);
      EXPECT_EQ(lines, c.lines) << c.name << " " << chunk;
    }
  }
}

}  // namespace
}  // namespace quillar

namespace quillar {
namespace {

// The pieces of a line longer than the room keep its number; only its last
// piece ends it.
TEST(LineReaderTest, NumbersPiecesByTheLineTheyBelongTo) {
  const struct {
    const char* name;
    std::string content;
    std::vector<std::pair<std::size_t, bool>> numbers_and_going_on;
  } cases[] = {
      {"short lines", "a\nb\nc", {{1, false}, {2, false}, {3, false}}},
      {"a line in three pieces", std::string(10, 'x') + "\ny\n", {{1, true}, {1, true}, {1, false}, {2, false}}},
      {"a line of exactly the room, its line feed a piece of its own", "xxxx\ny\n",
       {{1, true}, {1, false}, {2, false}}},
  };
  for (const auto& c : cases) {
    FakePlatform platform;
    platform.files["f"] = c.content;
    std::unique_ptr<ReadableFile> file = platform.open_bytes("f");
    LineReader reader(*file, 4);
    std::vector<std::pair<std::size_t, bool>> seen;
    std::string line;
    while (reader.next_line(line)) seen.emplace_back(reader.line_number(), reader.line_goes_on());
    EXPECT_EQ(seen, c.numbers_and_going_on) << c.name;
  }
}

}  // namespace
}  // namespace quillar
