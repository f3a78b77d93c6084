#include "driver/child_job.h"

#include <vector>

#include "base/texts.h"
#include "driver/scratch_folder.h"

namespace quillar {
namespace {

constexpr char kJobMark[] = "Quillar child job 1";
constexpr std::size_t kSecretDigits = 32;

bool is_secret(std::string_view text) {
  if (text.size() != kSecretDigits) return false;
  for (char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

}  // namespace

std::string make_job_secret(Platform& platform) {
  std::string secret = hexadecimal_digits(platform.random_number());
  return secret + hexadecimal_digits(platform.random_number());
}

std::string encode_child_job(const ChildJob& job) {
  return std::string(kJobMark) + "\n" + job.scratch + "\n" + std::to_string(job.position) + "\n" + job.secret + "\n";
}

std::optional<ChildJob> decode_child_job(std::string_view handed) {
  std::vector<std::string_view> lines;
  while (!handed.empty()) {
    const std::size_t end = handed.find('\n');
    if (end == std::string_view::npos) return std::nullopt;
    lines.push_back(handed.substr(0, end));
    handed.remove_prefix(end + 1);
  }
  if (lines.size() != 4 || lines[0] != kJobMark) return std::nullopt;
  std::optional<unsigned long> owner = scratch_owner(lines[1]);
  // Positions count from 1.
  std::optional<std::uint64_t> position = plain_decimal(lines[2], 5);
  if (!owner || !position || *position == 0 || !is_secret(lines[3])) return std::nullopt;
  return ChildJob{std::string(lines[1]), *owner, static_cast<std::size_t>(*position), std::string(lines[3])};
}

}  // namespace quillar
