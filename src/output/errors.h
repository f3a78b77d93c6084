// Every numbered error of the sensor in one table: its number, the pattern of
// its text and the room of each value the text names. An error travels up as
// a Status carrying the finished text; the driver turns it into the error
// document.
#ifndef QUILLAR_OUTPUT_ERRORS_H_
#define QUILLAR_OUTPUT_ERRORS_H_

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "output/status.h"

namespace quillar {

enum class Fault {
  kProfileNameMissing,     // 1001
  kProfileMissing,         // 1002
  kInvalidParameters,      // 1003
  kInvalidPassword,        // 1004
  kWrongPassword,          // 1005
  kUserMissing,            // 1006
  kPasswordMissing,        // 1007
  kTooLongParameters,      // 1008
  kSavedAsUtf16,           // 1009
  kLogonFailed,            // 1011
  kCallException,          // 1012
  kCallSystemException,    // 1013
  kCallFailure,            // 1014
  kCallOtherFailure,       // 1015
  kItemProfileMissing,     // 1024
  kGlobalProfileMissing,   // 10x1
  kServerListingMissing,   // 1025
  kItemMissing,            // 1026
  kInvalidAllocation,      // 1029
  kSensorNotFound,         // 1030
  kSensorOptionsTooLong,   // 1031
  kModeUnknown,            // 1041
  kProfileNameTooLong,     // 1042
  kProfileFolderTooLong,   // 1043
  kOptionsTooLong,         // 1044
  kLibraryNotFound,        // 1051
  kLibraryWrongBitness,    // 1052
  kLibraryEntryMissing,    // 1053
  kLibraryNotLoaded,       // 1054
  kLibraryDamaged,         // 1055
  kSystemTooSlow,          // 1061
  kRunLimitsOutOfRange,    // 1062
  kInvalidPathUsage,       // no number
};

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

// The form of a fault.
const ErrorForm& error_form(Fault fault);

// The text of a fault, its values put in place of the "{}" of its pattern in
// order, each cut to the value room.
std::string error_text(Fault fault, std::initializer_list<std::string_view> values = {});

// A failed Status carrying error_text.
Status error_status(Fault fault, std::initializer_list<std::string_view> values = {});

}  // namespace quillar

#endif  // QUILLAR_OUTPUT_ERRORS_H_
