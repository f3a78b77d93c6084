#include "tool/listing_review.h"

#include <algorithm>
#include <map>
#include <utility>

#include "base/capacities.h"
#include "base/texts.h"
#include "driver/options.h"
#include "driver/processing_run.h"
#include "profiles/password.h"
#include "profiles/system_profile.h"

namespace quillar {
namespace {

// PRTG shows at most this many channels of one sensor.
constexpr std::size_t kMostChannels = 50;

// The lines' entries joined as the reader joins them, and where each line's
// entries begin.
struct JoinedEntries {
  std::string text;
  std::vector<std::pair<std::size_t, std::size_t>> line_starts;

  std::size_t line_at(std::size_t offset) const {
    std::size_t number = line_starts.front().second;
    for (const auto& [start, line] : line_starts) {
      if (start <= offset) number = line;
    }
    return number;
  }
};

JoinedEntries join_entries(const ListingUnderReview& listing, std::vector<Finding>& findings) {
  JoinedEntries joined;
  std::size_t previous = 0;
  for (const ReportedLine* line : listing.server_lines) {
    const std::string_view entries = from_column(line->text, kServerEntriesColumn);
    if (!joined.text.empty() && joined.text.back() != '#' && !entries.empty()) {
      findings.push_back({previous, "the names do not end in \"#\", so the last one runs into the first name of line " +
                                        std::to_string(line->number) + "; end them with \"#\""});
    }
    joined.line_starts.emplace_back(joined.text.size(), line->number);
    joined.text += entries;
    previous = line->number;
  }
  return joined;
}

// What the run makes of a listed name, as it opens and reads the profile.
struct ListedProfile {
  enum class Reading { kTooLong, kMissing, kRefused, kRead };
  Reading reading = Reading::kRead;
  // kRefused: the reader's refusal.
  Status refusal = Status::Ok();
};

ListedProfile read_listed_profile(Platform& platform, const std::string& folder, const std::string& name) {
  // A name too long for a profile name is passed over, not cut.
  if (name.size() > kProfileNameRoom) return {ListedProfile::Reading::kTooLong};
  std::unique_ptr<ReadableFile> profile = platform.open_text(folder + name);
  if (!profile) return {ListedProfile::Reading::kMissing};
  LogonEntries entries;
  Status valid = read_system_profile(*profile, name, ProfileUse::kGlobalRun, OffsetTable(), entries);
  if (!valid.is_ok()) return {ListedProfile::Reading::kRefused, valid};
  return {ListedProfile::Reading::kRead};
}

// How each listed profile read, by its name in upper case: a profile is read
// once, however often the review asks.
using ListedReadings = std::map<std::string, ListedProfile::Reading>;

ListedProfile read_listed_profile_once(Platform& platform, const std::string& folder, const std::string& name,
                                       ListedReadings& readings) {
  ListedProfile listed = read_listed_profile(platform, folder, name);
  readings.emplace(upper_case(name), listed.reading);
  return listed;
}

// A name that the run reads, against the profile it names.
void review_name(Platform& platform, const std::string& folder, const std::string& name, std::size_t at,
                 ListedReadings& readings, std::vector<Finding>& findings) {
  const ListedProfile listed = read_listed_profile_once(platform, folder, name, readings);
  switch (listed.reading) {
    case ListedProfile::Reading::kTooLong:
      findings.push_back({at, name + " is longer than " + std::to_string(kProfileNameRoom) +
                                  " characters, and the run passes over it; rename the profile"});
      return;
    case ListedProfile::Reading::kMissing: {
      const std::string with_extension = with_default_extension(name);
      if (with_extension != name && platform.open_text(folder + with_extension)) {
        findings.push_back(
            {at, name + " does not exist, but " + with_extension + " does; write " + with_extension + "#"});
      } else {
        findings.push_back({at, name + " does not exist (" + platform.full_path(folder + name) +
                                    "), and the run counts it among the systems only; write the profile with "
                                    "quillar-profile create, or remove the name"});
      }
      return;
    }
    case ListedProfile::Reading::kRefused:
      findings.push_back({at, name + ": " + listed.refusal.text() + " (quillar-profile check " + name +
                                  " names the line at fault)"});
      return;
    case ListedProfile::Reading::kRead:
      return;
  }
}

// The channels the run prints when every system answers: one for each
// listed system whose profile it reads, when the item names a channel, and
// the failed-systems channel.
void review_channel_count(Platform& platform, const std::string& folder, const ListingUnderReview& listing,
                          ListedReadings& readings, std::vector<Finding>& findings) {
  std::size_t reporting = 0;
  if (channel_of_item(listing.allocation->item)) {
    for (const std::string& name : listing.allocation->server_listing) {
      const auto known = readings.find(upper_case(name));
      const ListedProfile::Reading reading = known != readings.end()
                                                 ? known->second
                                                 : read_listed_profile_once(platform, folder, name, readings).reading;
      if (reading == ListedProfile::Reading::kRead) ++reporting;
    }
  }
  const std::size_t channels = reporting + (listing.failed_channel ? 1 : 0);
  if (channels <= kMostChannels) return;
  findings.push_back(
      {listing.summary_line,
       "PRTG shows at most " + std::to_string(kMostChannels) + " channels of a sensor, and when every system "
           "answers this run" + (listing.key.empty() ? std::string() : " of " + listing.key) + " prints " +
           std::to_string(channels) + ": one for each of the " + std::to_string(reporting) +
           " listed systems whose profile the sensor reads" +
           (listing.failed_channel ? ", and \"" + std::string(kFailedSystemsChannel) + "\" for " +
                                         std::string(kFailedKeyword)
                                   : std::string()) +
           "; split the systems over two sensor keys"});
}

void review_whole_listing(const ListingUnderReview& listing, std::size_t listed, std::vector<Finding>& findings) {
  const std::size_t read = listing.allocation->server_listing.size();
  if (listed > read) {
    findings.push_back({listing.summary_line, "the listing of " + listing.key + " is longer than " +
                                                  std::to_string(GlobalAllocation::kServerListingRoom) +
                                                  " characters, and the run passes over its last " +
                                                  std::to_string(listed - read) + " names; give them a key of their own"});
  }
}

}  // namespace

void review_listing(Platform& platform, const std::string& folder, const ListingUnderReview& listing,
                    std::vector<Finding>& findings) {
  const JoinedEntries joined = join_entries(listing, findings);
  const std::size_t read = listing.allocation->server_listing.size();
  std::size_t listed = 0;
  std::map<std::string, std::size_t> seen;
  ListedReadings readings;
  for (std::size_t next = 0; next < joined.text.size();) {
    const std::size_t start = next;
    const std::size_t end = std::min(joined.text.find('#', next), joined.text.size());
    const std::string name = joined.text.substr(start, end - start);
    next = end + 1;
    if (++listed > read) continue;
    const std::size_t at = joined.line_at(start);
    if (listing.misplaced.count(at) != 0) continue;
    if (name.empty()) {
      findings.push_back({at, "an empty name between two \"#\" counts as a system that does not exist; remove one \"#\""});
      continue;
    }
    auto [earlier, first_time] = seen.emplace(upper_case(name), at);
    if (!first_time) {
      findings.push_back({at, name + " is listed twice for " + listing.key + " (also on line " +
                                  std::to_string(earlier->second) + "); remove one"});
      continue;
    }
    review_name(platform, folder, name, at, readings, findings);
  }
  review_whole_listing(listing, listed, findings);
  review_channel_count(platform, folder, listing, readings, findings);
}

}  // namespace quillar
