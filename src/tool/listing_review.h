// The server listing of one key of a global profile against the system
// profiles it names: each name at the line it stands on.
#ifndef QUILLAR_TOOL_LISTING_REVIEW_H_
#define QUILLAR_TOOL_LISTING_REVIEW_H_

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "profiles/global_profile.h"
#include "profiles/read_report.h"
#include "tool/global_line_review.h"

namespace quillar {

struct ListingUnderReview {
  // The key as shown, without its filling blanks.
  std::string key;
  // The server lines that the reader took, in file order.
  std::vector<const ReportedLine*> server_lines;
  // The lines whose names stand in another column than they seem, of which
  // nothing more is said.
  std::set<std::size_t> misplaced;
  // The listing as the reader split it.
  const GlobalAllocation* allocation = nullptr;
  // The line that problems of the whole listing are reported at.
  std::size_t summary_line = 0;
  // The run's options add the failed-systems channel.
  bool failed_channel = false;
};

// Adds to `findings` every name that the run would not read as meant: empty,
// twice, too long, missing (or missing only its extension), refused by the
// sensor; and a listing beyond its room, or more channels than PRTG shows
// of a sensor: one for each listed system (as the reader cut the listing)
// whose profile the run reads, when the item names a channel, and the
// failed-systems channel. The system profiles lie in `folder`.
void review_listing(Platform& platform, const std::string& folder, const ListingUnderReview& listing,
                    std::vector<Finding>& findings);

}  // namespace quillar

#endif  // QUILLAR_TOOL_LISTING_REVIEW_H_
