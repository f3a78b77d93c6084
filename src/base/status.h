// Errors are values: a Status is either fine or carries the fault and the
// complete numbered text that the error document of the run will show.
#ifndef QUILLAR_BASE_STATUS_H_
#define QUILLAR_BASE_STATUS_H_

#include <string>
#include <utility>

namespace quillar {

// Exit codes of the process: the run completed; the RFC library's error
// report ended it; an error document was printed.
inline constexpr int kExitCompleted = 0;
inline constexpr int kExitRfcAborted = 1;
inline constexpr int kExitErrorDocument = 2;

// Every fault the sensor reports; its number and text are in errors.cc.
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
  kRunLimitNotWhole,       // 1062
  kRuntimeAlone,           // 1062
  kRunLimitRepeated,       // 1062
  kChildNotStarted,        // 1063
  kChildEndedUnfinished,   // 1064
  kScratchFolderTampered,  // 1066
  kNotAskedAfterSweep,     // 1067
  kIcuLibraryMissing,      // 1056
  kTraceFileUnusable,      // 1065
  kInvalidPathUsage,       // no number
  kCount,                  // not a fault: the number of faults
};

class [[nodiscard]] Status {
 public:
  static Status Ok() { return Status(false, Fault::kCount, std::string()); }
  // Made by error_status (errors.h), which takes the text from the table.
  static Status Error(Fault fault, std::string text) { return Status(true, fault, std::move(text)); }

  bool is_ok() const { return !failed_; }
  // The fault of a failed Status; kCount for a fine one.
  Fault fault() const { return fault_; }
  // The error text, for example "Error 1001: Parameter for Profile-Name is missing !".
  const std::string& text() const { return text_; }

 private:
  Status(bool failed, Fault fault, std::string text) : failed_(failed), fault_(fault), text_(std::move(text)) {}

  bool failed_;
  Fault fault_;
  std::string text_;
};

}  // namespace quillar

#endif  // QUILLAR_BASE_STATUS_H_
