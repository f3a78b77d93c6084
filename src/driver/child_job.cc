#include "driver/child_job.h"

#include "base/texts.h"
#include "driver/scratch_folder.h"

namespace quillar {

std::vector<std::string> child_command_line(const std::string& program, const ChildJob& job,
                                            const std::vector<std::string>& arguments) {
  std::vector<std::string> command_line = {program, kChildMarker, job.scratch, std::to_string(job.position)};
  command_line.insert(command_line.end(), arguments.begin(), arguments.end());
  return command_line;
}

std::optional<ChildJob> take_child_job(std::vector<std::string>& arguments) {
  if (arguments.size() < 3 || arguments[0] != kChildMarker) return std::nullopt;
  std::optional<unsigned long> owner = scratch_owner(arguments[1]);
  // Positions count from 1.
  std::optional<std::uint64_t> position = plain_decimal(arguments[2], 5);
  if (!owner || !position || *position == 0) return std::nullopt;
  const ChildJob job{arguments[1], *owner, static_cast<std::size_t>(*position)};
  arguments.erase(arguments.begin(), arguments.begin() + 3);
  return job;
}

}  // namespace quillar
