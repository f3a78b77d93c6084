// Every numbered error of the sensor in one table: its number, the pattern of
// its text and the room of each value the text names. An error travels up as
// a Status carrying the finished text; the driver turns it into the error
// document.
#ifndef QUILLAR_BASE_ERRORS_H_
#define QUILLAR_BASE_ERRORS_H_

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "base/status.h"

namespace quillar {

struct ErrorForm {
  Fault fault;
  // "1001", or "10x1" as the sensor has always written it; empty for the one
  // message without a number.
  std::string_view number;
  // The wording after "Error NNNN: "; each "{}" stands for a value.
  std::string_view pattern;
  // The most characters of a value that the text shows; longer values are cut.
  std::size_t value_room;
};

// The form of a fault (any but kCount).
const ErrorForm& error_form(Fault fault);

// The text of a fault, its values put in place of the "{}" of its pattern in
// order, each cut to the value room.
std::string error_text(Fault fault, std::initializer_list<std::string_view> values = {});

// "Error 1030" for the fault numbered 1030: how a remark names it.
std::string error_number(Fault fault);

// A failed Status carrying error_text.
Status error_status(Fault fault, std::initializer_list<std::string_view> values = {});

}  // namespace quillar

#endif  // QUILLAR_BASE_ERRORS_H_
