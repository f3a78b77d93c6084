// The lines of a global profile as its reader reported them, against what a
// person who wrote them meant: markers the reader does not match, keys and
// entries in other columns than they seem, lines longer than the reader's
// piece.
#ifndef QUILLAR_TOOL_GLOBAL_LINE_REVIEW_H_
#define QUILLAR_TOOL_GLOBAL_LINE_REVIEW_H_

#include <cstddef>
#include <string>
#include <vector>

#include "profiles/global_profile.h"
#include "profiles/read_report.h"

namespace quillar {

// A problem, or a remark that is none, at a line of the file (0: the file
// as a whole).
struct Finding {
  std::size_t line = 0;
  std::string text;
  bool problem = true;
};

// A server or sensor line as the reader's markers make it.
struct MarkedLine {
  std::size_t number = 0;
  MarkedLineKind kind = MarkedLineKind::kServer;
  // Columns 9 to 18 upper-cased, filled with blanks: what the reader
  // compares with the key. Empty in the item profile, which has no keys.
  std::string key;
  std::string text;
  // Its key or its entries stand in another column than a person sees them:
  // what follows from the misreading is not reported again.
  bool misplaced = false;
};

// A sensor key cut or filled with blanks to kSensorKeyLength, as lines are
// grouped by it.
std::string padded_key(const std::string& key);

// The marked lines of `report`, a report of every line of the profile, that
// concern `asked_key` (every key when it is empty); adds to `findings` what
// the reader reads otherwise than meant.
std::vector<MarkedLine> review_lines(const ReadReport& report, bool item_form, const std::string& asked_key,
                                     std::vector<Finding>& findings);

}  // namespace quillar

#endif  // QUILLAR_TOOL_GLOBAL_LINE_REVIEW_H_
