// Errors are values: a Status is either fine or carries the complete numbered
// text that the error document of the run will show.
#ifndef QUILLAR_OUTPUT_STATUS_H_
#define QUILLAR_OUTPUT_STATUS_H_

#include <string>
#include <utility>

namespace quillar {

// Exit codes of the process: the run completed; the RFC library's error
// report ended it; an error document was printed.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitRfcAborted = 1;
inline constexpr int kExitErrorDocument = 2;

class [[nodiscard]] Status {
 public:
  static Status Ok() { return Status(false, std::string()); }
  static Status Error(std::string text) { return Status(true, std::move(text)); }

  bool is_ok() const { return !failed_; }
  // The error text, for example "Error 1001: Parameter for Profile-Name is missing !".
  const std::string& text() const { return text_; }

 private:
  Status(bool failed, std::string text) : failed_(failed), text_(std::move(text)) {}

  bool failed_;
  std::string text_;
};

}  // namespace quillar

#endif  // QUILLAR_OUTPUT_STATUS_H_
