// The item of a global run against the six channels, and the listing as the
// tool shows it.
#ifndef QUILLAR_TOOL_ITEM_REVIEW_H_
#define QUILLAR_TOOL_ITEM_REVIEW_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillar {

// Why no system of a global run reports `item`, when it names none of the
// six channels (compared exactly), with what to write after `keyword`
// instead.
std::optional<std::string> item_problem(const std::string& item, std::string_view keyword);

// "PRD.P00, QAS.P00" of the server listing PRD.P00, QAS.P00.
std::string listed_names(const std::vector<std::string>& listing);

}  // namespace quillar

#endif  // QUILLAR_TOOL_ITEM_REVIEW_H_
