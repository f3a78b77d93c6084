// The one reader of profile-style text files: profiles, the path override file
// and the RFC trace file are all read through it.
#ifndef QUILLAR_PLATFORM_LINE_READER_H_
#define QUILLAR_PLATFORM_LINE_READER_H_

#include <cstddef>
#include <string>

#include "platform/platform.h"

namespace quillar {

// Reads a file in pieces of at most `piece_room` characters, line feed
// included: a line that is longer is read as several pieces, each of which
// counts as a line of its own. That is how the sensor has always read its files,
// and the formats depend on it (a cut-off remainder is never mistaken for the
// start of a labelled line, and so on).
class LineReader {
 public:
  LineReader(ReadableFile& file, std::size_t piece_room);

  // Gives the next piece as read, line feed included. Text ends at a zero byte:
  // what follows it up to the end of the piece is dropped. False at the end of
  // the file.
  bool next_piece(std::string& piece);

  // Gives the next piece with its line end removed (see strip_line_end).
  bool next_line(std::string& line);

  // The line of the file that the last piece belongs to, counted from 1: the
  // pieces of a line longer than a piece all carry its number.
  std::size_t line_number() const { return line_number_; }
  // Whether the last piece stopped short of its line's end, so that the
  // line goes on in the next piece.
  bool line_goes_on() const { return line_goes_on_; }

  // Whether the file is saved as UTF-16: it starts with the byte order mark
  // of UTF-16 (FF FE or FE FF), or its first line holds a zero byte (UTF-16
  // without a mark). Its lines cannot be read as single-byte text. The
  // reader still gives them as they stand.
  bool saved_as_utf16();
  // Whether it is saved as UTF-16 without a byte order mark: only the zero
  // bytes of its first line tell.
  bool saved_as_utf16_without_mark();
  // Whether a UTF-8 byte order mark was skipped at the start.
  bool skipped_byte_order_mark();

 private:
  bool fill();
  // Looks at the first bytes once: a UTF-8 byte order mark, which Notepad
  // writes in front of "UTF-8" files, is skipped so that the first line
  // keeps its label.
  void inspect_start();

  ReadableFile& file_;
  std::size_t piece_room_;
  char block_[4096];
  std::size_t next_ = 0;
  std::size_t end_ = 0;
  bool inspected_ = false;
  bool utf16_ = false;
  bool utf16_mark_ = false;
  bool byte_order_mark_ = false;
  std::size_t line_number_ = 0;
  bool line_goes_on_ = false;
};

// Removes one trailing carriage return, then one trailing line feed.
void strip_line_end(std::string& line);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_LINE_READER_H_
