#include "driver/child_job.h"

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
  ChildJob job;
  job.scratch = arguments[1];
  std::optional<unsigned long> owner = scratch_owner(job.scratch);
  const std::string& position = arguments[2];
  if (!owner || position.empty() || position.size() > 5 || position[0] == '0') return std::nullopt;
  job.position = 0;
  for (char c : position) {
    if (c < '0' || c > '9') return std::nullopt;
    job.position = job.position * 10 + static_cast<std::size_t>(c - '0');
  }
  job.parent_id = *owner;
  arguments.erase(arguments.begin(), arguments.begin() + 3);
  return job;
}

}  // namespace quillar
