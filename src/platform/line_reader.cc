#include "platform/line_reader.h"

#include <string_view>

namespace quillar {

LineReader::LineReader(ReadableFile& file, std::size_t piece_room)
    : file_(file), piece_room_(piece_room == 0 ? 1 : piece_room) {}

void LineReader::inspect_start() {
  if (inspected_) return;
  inspected_ = true;
  // A file may arrive in small reads; three bytes settle both marks.
  while (end_ < 3) {
    std::size_t n = file_.read(block_ + end_, sizeof block_ - end_);
    if (n == 0) break;
    end_ += n;
  }
  auto starts_with = [&](std::string_view mark) {
    return end_ >= mark.size() && std::string_view(block_, mark.size()) == mark;
  };
  byte_order_mark_ = starts_with("\xEF\xBB\xBF");
  if (byte_order_mark_) next_ = 3;
  utf16_ = starts_with("\xFF\xFE") || starts_with("\xFE\xFF");
}

bool LineReader::saved_as_utf16() {
  inspect_start();
  return utf16_;
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
  while (taken < piece_room_ && fill()) {
    char c = block_[next_++];
    ++taken;
    if (c == '\0' && text_length == std::string::npos) text_length = piece.size();
    if (text_length == std::string::npos) piece += c;
    if (c == '\n') break;
  }
  return taken != 0;
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
