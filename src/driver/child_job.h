// The one way into a child run: the sensor's own command line, with a marker,
// the child's scratch folder and the position of its system in front of the
// arguments. The child runs the same start-up with the same checks on the
// same arguments in the same working directory, then does its one system in
// the scratch folder.
#ifndef QUILLAR_DRIVER_CHILD_JOB_H_
#define QUILLAR_DRIVER_CHILD_JOB_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillar {

inline constexpr char kChildMarker[] = "--child";

struct ChildJob {
  // The scratch folder, a folder of the working directory that the parent
  // made (see scratch_owner).
  std::string scratch;
  // The parent's process number, from the scratch folder's name.
  unsigned long parent_id = 0;
  // The system's place in the listing, from 1 (five digits at most); 1 in a
  // single-system run.
  std::size_t position = 1;
};

// The child's command line: `program` (its name for itself), the marker, the
// scratch folder, the position, then `arguments` as the sensor got them.
std::vector<std::string> child_command_line(const std::string& program, const ChildJob& job,
                                            const std::vector<std::string>& arguments);

// When `arguments` (those after the program's path) begin with a well-formed
// job, takes it off them and gives it; otherwise leaves them as they are, to
// be read as any sensor's arguments.
std::optional<ChildJob> take_child_job(std::vector<std::string>& arguments);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_CHILD_JOB_H_
