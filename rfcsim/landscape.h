// The simulated SAP landscape that both stand-ins play against: the file
// "RfcSim.ini" of the working directory, or of the folder above it when the
// working directory has none (see README.md here).
#ifndef QUILLAR_RFCSIM_LANDSCAPE_H_
#define QUILLAR_RFCSIM_LANDSCAPE_H_

#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace rfcsim {

inline constexpr char kLandscapeFile[] = "RfcSim.ini";
inline constexpr char kDestinationsFile[] = "SapRfc.ini";
inline constexpr char kTraceFile[] = "Dev_Rfc.Trc";

// Return codes of the classic library, which the landscape's outcomes use.
inline constexpr int kOk = 0;
inline constexpr int kFailure = 1;
inline constexpr int kException = 2;
inline constexpr int kSystemException = 3;

struct LanLine {
  std::string name;
  std::int64_t counters[6];  // IN_PACKETS OUT_PACKET IN_ERRORS OUT_ERRORS COLLISIONS PACKETS
  std::size_t line_number = 0;
};

inline constexpr const char* kCounterFields[6] = {"IN_PACKETS", "OUT_PACKET", "IN_ERRORS",
                                                  "OUT_ERRORS", "COLLISIONS", "PACKETS"};

// A field's type in the SAP system's dictionary, as the NetWeaver SDK
// describes it: the length counts characters for kChar and kNumc, bytes
// for the numbers. A kBcd field (packed, DEC) of n bytes holds 2n-1 digits,
// `decimals` of them after the decimal point; a kFloat field is an 8-byte
// binary floating point number.
enum class FieldKind { kChar, kNumc, kInt, kInt1, kInt2, kInt8, kBcd, kFloat };
struct FieldType {
  FieldKind kind = FieldKind::kChar;
  unsigned length = 0;
  unsigned decimals = 0;
};

// Whether a field of this type holds `value`: characters, a whole number in
// decimal, or for kBcd and kFloat a decimal number ("-12.5").
bool holds(const FieldType& type, const std::string& value);

// A decimal number as written: an optional minus sign, digits, and after a
// point more digits. Nothing else, blanks included, is one.
struct Decimal {
  bool negative = false;
  std::string whole, fraction;  // the digits, the whole ones without leading zeros
};
bool parse_decimal(const std::string& text, Decimal& decimal);

// What an operation does: succeed, fail, raise, or give a code.
struct Outcome {
  int code = kOk;
  std::string exception;
  // Given as "code N": the NetWeaver stand-in takes N for the SDK's code.
  bool numbered = false;
};

struct System {
  std::string name;
  std::string ashost, gwhost, gwserv, client, user, password;
  long sysnr = -1;
  std::vector<LanLine> lan;
  Outcome call, receive;
  std::set<std::string> fail, abort;
  // ItFill's answer in place of the real row count, as a faulty library's.
  long long claimed_fill = -1;
  // Each logon and each call waits this long; these operations never return.
  long delay_ms = 0;
  std::set<std::string> hang;
  // Files of the working directory that each logon appends a line to.
  std::vector<std::string> leave;
  // The dictionary types that differ from the classic layout, by field name.
  std::map<std::string, FieldType> fields;
};

// The fields of GET_LAN_SINGLE: its parameters, then the fields of its
// table's rows (LAN_SINGLE), each with its type in the classic layout.
struct FunctionField {
  const char* name;
  FieldType classic;
  const char* exporting_value;  // what the call returns in it; null for rows and importing values
  bool importing;
  bool in_row;
};
extern const FunctionField kLanFunctionFields[21];

// A field's type in a system: its own line's, or the classic layout's.
FieldType field_type(const System& system, const std::string& name);

std::string lower(std::string text);
std::string trim(const std::string& text);
std::string without_trailing_blanks(const std::string& text);
bool same_ignoring_case(const std::string& a, const std::string& b);

// Opens a file of the working directory (or of another folder), its name
// matched in any letter case as on Windows.
std::FILE* open_here(const char* name, const char* mode, const char* folder = ".");
// The lines of a file of the working directory (or of another folder),
// without their line feeds.
std::vector<std::string> lines_of(const char* name, bool& found, const char* folder = ".");
// The lines of the file at `path`: a name of the working directory, matched
// as by lines_of, or a path with a folder (full, or from the working
// directory).
std::vector<std::string> lines_at(const std::string& path, bool& found);
// The value of the process's environment variable `name`, as a library of
// its own C runtime reads it (on Windows from the process's environment
// block); empty when it is unset.
std::string environment_value(const char* name);

// The landscape as the file now stands. It is parsed again only when the
// file has changed, so that a run over many systems stays linear.
class Landscape {
 public:
  const std::vector<System>& systems();
  // Whether systems() found a landscape file at all; where it looked: the
  // working directory, and in a scratch folder the folder above too.
  bool found() const { return found_; }
  const std::string& looked_in() const { return looked_in_; }

 private:
  std::vector<System> systems_;
  std::string stamp_ = "none";
  bool found_ = false;
  std::string looked_in_;
};

// The refusal of a logon where no landscape file was found: a stand-in
// copied onto a PRTG probe by mistake must say there what it is, what it
// reaches, where it looked and what belongs in its place. `vendor_library`
// names the vendor's file ("SAP's librfc32.dll"). The folder comes last, so
// that an error field too short for a long path cuts only the path.
std::string no_landscape_message(const char* vendor_library, const Landscape& landscape);

// The system whose application server is `ashost` (any letter case) with
// this system number.
const System* system_at(const std::vector<System>& systems, const std::string& ashost, long sysnr);

void sleep_ms(long milliseconds);

// Waits for ever when `operation` hangs on the system; pause_for then
// waits the system's delay, which each logon and each call take.
void hang_if(const System& system, const char* operation);
void pause_for(const System& system, const char* operation);

// The error text of an outcome other than success of `operation`.
std::string outcome_message(const Outcome& outcome, const char* operation);

}  // namespace rfcsim

#endif  // QUILLAR_RFCSIM_LANDSCAPE_H_
