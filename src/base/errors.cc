#include "base/errors.h"

#include <array>

#include "base/capacities.h"

namespace quillar {
namespace {

// The rooms of the values: a path names a profile folder and a profile
// name; names hold what a profile name holds. Keys, modes and option values
// come from an option string. The limits that a text names are its values.
constexpr std::size_t kPathRoom = kSensorDirectoryRoom + kProfileNameRoom;
// A folder as Windows names the folders of its DLL search (MAX_PATH).
constexpr std::size_t kFolderRoom = 260;

constexpr std::size_t kFaultCount = static_cast<std::size_t>(Fault::kCount);

// Row k holds the fault numbered k in the enum.
constexpr std::array<ErrorForm, kFaultCount> kErrors = {{
    {Fault::kProfileNameMissing, "1001", "Parameter for Profile-Name is missing !", 0},
    {Fault::kProfileMissing, "1002", "Profile {} is missing...", kPathRoom},
    {Fault::kInvalidParameters, "1003", "Invalid Parameter(s) at {} found...", kProfileNameRoom},
    {Fault::kInvalidPassword, "1004", "Invalid Password in Profile {} found...", kProfileNameRoom},
    {Fault::kWrongPassword, "1005", "Wrong Password in Profile {} found...", kProfileNameRoom},
    {Fault::kUserMissing, "1006", "Username in Profile {} is missing...", kProfileNameRoom},
    {Fault::kPasswordMissing, "1007", "Password in Profile {} is missing...", kProfileNameRoom},
    {Fault::kTooLongParameters, "1008", "Too long Parameter(s) at {} found...", kProfileNameRoom},
    {Fault::kSavedAsUtf16, "1009", "File {} is saved as UTF-16, save it as ANSI or UTF-8...", kProfileNameRoom},
    {Fault::kLogonFailed, "1011", "RFC-Open for {} failed !", kProfileNameRoom},
    {Fault::kCallException, "1012", "Exception.: {}", kExceptionNameRoom},
    {Fault::kCallSystemException, "1013", "Sys-Exception raised !", 0},
    {Fault::kCallFailure, "1014", "RFC-Failure raised !", 0},
    {Fault::kCallOtherFailure, "1015", "Other Failure raised !", 0},
    {Fault::kItemProfileMissing, "1024", "ProFile {} is missing...", kProfileNameRoom},
    {Fault::kGlobalProfileMissing, "10x1", "ProFile {} is missing...", kProfileNameRoom},
    {Fault::kServerListingMissing, "1025", "Global Server Listing missing...", 0},
    {Fault::kItemMissing, "1026", "Global Item Idenification missing...", 0},
    {Fault::kInvalidAllocation, "1029", "Invalid Sensor-Allocation...", 0},
    {Fault::kSensorNotFound, "1030", "Global Sensor {} not found...", kOptionsRoom},
    {Fault::kSensorOptionsTooLong, "1031", "Sensor-Parameters longer than {} characters...", kProfileNameRoom},
    // Values: the mode as typed and the list of every mode (listed_modes of
    // src/output); the room of a value holds the list whole.
    {Fault::kModeUnknown, "1041", "Mode {} is unknown, use {}...", kOptionsRoom},
    {Fault::kProfileNameTooLong, "1042", "Profile-Name longer than {} characters...", kProfileNameRoom},
    {Fault::kProfileFolderTooLong, "1043", "Profile-Directory longer than {} characters...", kProfileNameRoom},
    {Fault::kOptionsTooLong, "1044", "Parameters longer than {} characters...", kProfileNameRoom},
    // Values: the library's file name, the Windows error code, and the
    // bitness or the entry point.
    {Fault::kLibraryNotFound, "1051",
     "{} not found (Windows error {}), copy it beside quillar.exe or into the system folder...", kProfileNameRoom},
    {Fault::kLibraryWrongBitness, "1052",
     "{} has the wrong bitness (Windows error {}), this {}-bit quillar.exe needs a {}-bit {}...", kProfileNameRoom},
    {Fault::kLibraryEntryMissing, "1053",
     "{} lacks the entry point {} (Windows error {}), install the vendor's RFC library...", kProfileNameRoom},
    {Fault::kLibraryNotLoaded, "1054",
     "{} cannot be loaded (Windows error {}), check the file and its access rights...", kProfileNameRoom},
    {Fault::kLibraryDamaged, "1055",
     "{} is no valid {}-bit DLL (Windows error {}), copy it again from the vendor's package...", kProfileNameRoom},
    {Fault::kSystemTooSlow, "1061", "SAP system {} did not answer within {} seconds", kProfileNameRoom},
    // Values: the option's keyword and value as read, the highest value it
    // takes and its unit.
    {Fault::kRunLimitsOutOfRange, "1062", "{}={} is out of range, 1 to {} {}...", kOptionsRoom},
    // Values: the option's keyword and value as read.
    {Fault::kRunLimitNotWhole, "1062", "{}={} is not a whole number...", kOptionsRoom},
    {Fault::kRuntimeAlone, "1062", "{}={} bounds only a run with ,DEADLINE= or ,PARALLEL=, add one of them...",
     kOptionsRoom},
    // Value: the option's keyword. Which of its values was meant cannot be
    // told, so none is shown.
    {Fault::kRunLimitRepeated, "1062", "{}= is given more than once, give it once...", kOptionsRoom},
    // Values: the system (its destination, or its profile in a global run)
    // and what failed, in the system's words.
    {Fault::kChildNotStarted, "1063", "SAP system {} was not measured, no child process could be started: {}",
     kProfileNameRoom},
    // Values: the system and how its child ended ("exit status 3", "signal 9").
    {Fault::kChildEndedUnfinished, "1064", "SAP system {} was not measured, its child process ended unfinished ({})",
     kProfileNameRoom},
    // Values: the system and the scratch folder's name.
    {Fault::kScratchFolderTampered, "1066",
     "SAP system {} was not measured, its scratch folder {} was replaced or opened to other users, and nothing of it "
     "was read",
     kProfileNameRoom},
    // Values: the system and the run's bound in seconds.
    {Fault::kNotAskedAfterSweep, "1067",
     "SAP system {} was not asked, clearing the scratch folders of earlier runs took the {} seconds of the run...",
     kProfileNameRoom},
    // Values: the ICU library that is missing, as a pattern ("icuuc*.dll"),
    // and the folder that sapnwrfc.dll was loaded from.
    {Fault::kIcuLibraryMissing, "1056",
     "{} missing beside sapnwrfc.dll in {} and where Windows looks for DLLs, copy icuuc*.dll, icuin*.dll and "
     "icudt*.dll from the lib folder of the NetWeaver RFC SDK there...",
     kFolderRoom},
    // Values: the RFC library's trace file and the folder it stands in, as
    // a full path.
    {Fault::kTraceFileUnusable, "1065",
     "{} in {} is no plain file of its own (a link, FIFO or folder), remove it, the RFC library writes "
     "its trace there...",
     kFolderRoom},
    {Fault::kInvalidPathUsage, "", "Sorry, invalid Path-Usage...", 0},
}};

constexpr bool every_fault_has_its_row() {
  for (std::size_t k = 0; k < kFaultCount; ++k) {
    if (kErrors[k].fault != static_cast<Fault>(k)) return false;
  }
  return true;
}
static_assert(every_fault_has_its_row(), "kErrors holds one row per Fault, in the order of the enum");

}  // namespace

const ErrorForm& error_form(Fault fault) { return kErrors[static_cast<std::size_t>(fault)]; }

std::string error_text(Fault fault, std::initializer_list<std::string_view> values) {
  const ErrorForm& form = error_form(fault);
  std::string text;
  if (!form.number.empty()) {
    text = "Error ";
    text += form.number;
    text += ": ";
  }
  const std::string_view* value = values.begin();
  std::string_view pattern = form.pattern;
  for (std::size_t at = pattern.find("{}"); at != std::string_view::npos; at = pattern.find("{}")) {
    text += pattern.substr(0, at);
    if (value != values.end()) text += (value++)->substr(0, form.value_room);
    pattern.remove_prefix(at + 2);
  }
  text += pattern;
  return text;
}

std::string error_number(Fault fault) { return "Error " + std::string(error_form(fault).number); }

Status error_status(Fault fault, std::initializer_list<std::string_view> values) {
  return Status::Error(fault, error_text(fault, values));
}

}  // namespace quillar
