#include "tool/item_review.h"

#include <algorithm>

#include "base/texts.h"
#include "driver/processing_run.h"
#include "measure/network_usage.h"

namespace quillar {
namespace {

// Names the closest of the six channels, when one is close.
std::string item_advice(const std::string& item, std::string_view keyword) {
  auto distance = [](std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
      std::size_t diagonal = row[0];
      row[0] = i;
      for (std::size_t j = 1; j <= b.size(); ++j) {
        std::size_t above = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
        diagonal = above;
      }
    }
    return row[b.size()];
  };
  std::string_view closest;
  std::size_t best = 4;
  for (std::string_view label : kChannelLabels) {
    std::size_t d = distance(upper_case(item), upper_case(label));
    if (d < best) {
      best = d;
      closest = label;
    }
  }
  if (!closest.empty()) return "write " + std::string(keyword) + std::string(closest);
  std::string all;
  for (std::string_view label : kChannelLabels) all += (all.empty() ? "" : ", ") + std::string(label);
  return "write one of " + all;
}

}  // namespace

std::string listed_names(const std::vector<std::string>& listing) {
  std::string names;
  for (const std::string& name : listing) names += (names.empty() ? "" : ", ") + name;
  return names;
}

std::optional<std::string> item_problem(const std::string& item, std::string_view keyword) {
  if (channel_of_item(item)) return std::nullopt;
  return "the item \"" + item + "\" is none of the six channels, so no system reports a channel; " +
         item_advice(item, keyword);
}

}  // namespace quillar
