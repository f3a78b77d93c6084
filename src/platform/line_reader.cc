#include "platform/line_reader.h"

#include <string_view>

namespace quillar {

LineReader::LineReader(ReadableFile& file, std::size_t piece_room)
    : file_(file), piece_room_(piece_room == 0 ? 1 : piece_room) {}

namespace {

// Whether the first line of `start` holds a zero byte, as every line of a
// UTF-16 file does; the byte after the first line feed counts too, since in
// UTF-16 the line feed's own zero byte may follow it. A line of single-byte
// text never holds one.
bool first_line_holds_zero(std::string_view start) {
  std::size_t line_feed = start.find('\n');
  std::size_t checked = line_feed == std::string_view::npos ? start.size() : line_feed + 2;
  return start.substr(0, checked).find('\0') != std::string_view::npos;
}

}  // namespace

void LineReader::inspect_start() {
  if (inspected_) return;
  inspected_ = true;
  // A file may arrive in small reads: the first line and the byte after it,
  // or a whole block, settle the marks and the zero bytes.
  while (end_ < sizeof block_) {
    std::size_t line_feed = std::string_view(block_, end_).find('\n');
    if (line_feed != std::string_view::npos && line_feed + 1 < end_) break;
    std::size_t n = file_.read(block_ + end_, sizeof block_ - end_);
    if (n == 0) break;
    end_ += n;
  }
  auto starts_with = [&](std::string_view mark) {
    return end_ >= mark.size() && std::string_view(block_, mark.size()) == mark;
  };
  byte_order_mark_ = starts_with("\xEF\xBB\xBF");
  if (byte_order_mark_) next_ = 3;
  utf16_mark_ = starts_with("\xFF\xFE") || starts_with("\xFE\xFF");
  utf16_ = utf16_mark_ || first_line_holds_zero(std::string_view(block_, end_));
}

bool LineReader::saved_as_utf16() {
  inspect_start();
  return utf16_;
}

bool LineReader::saved_as_utf16_without_mark() {
  inspect_start();
  return utf16_ && !utf16_mark_;
}

bool LineReader::skipped_byte_order_mark() {
  inspect_start();
  return byte_order_mark_;
}

bool LineReader::fill() {
  inspect_start();
  if (next_ < end_) return true;
  next_ = 0;
  end_ = file_.read(block_, sizeof block_);
  return end_ != 0;
}

bool LineReader::next_piece(std::string& piece) {
  piece.clear();
  std::size_t taken = 0;
  std::size_t text_length = std::string::npos;
  bool line_ended = false;
  while (taken < piece_room_ && fill()) {
    char c = block_[next_++];
    ++taken;
    if (c == '\0' && text_length == std::string::npos) text_length = piece.size();
    if (text_length == std::string::npos) piece += c;
    line_ended = c == '\n';
    if (line_ended) break;
  }
  if (taken == 0) return false;
  if (!line_goes_on_) ++line_number_;
  line_goes_on_ = taken == piece_room_ && !line_ended;
  return true;
}

bool LineReader::next_line(std::string& line) {
  if (!next_piece(line)) return false;
  strip_line_end(line);
  return true;
}

void strip_line_end(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (!line.empty() && line.back() == '\n') line.pop_back();
}

}  // namespace quillar
