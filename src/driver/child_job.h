// The one way into a child run: a job that the parent hands the child alone,
// through the child's standard input (Platform::start_program). The child's
// command line is the sensor's own, so the child runs the same start-up with
// the same checks on the same arguments in the same working directory, then
// does its one system in the job's scratch folder. Nothing typed on a command
// line makes a run a child.
#ifndef QUILLAR_DRIVER_CHILD_JOB_H_
#define QUILLAR_DRIVER_CHILD_JOB_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quillar {

// The file of the scratch folder in which the parent leaves the job's
// secret, for the child to compare with the secret it was handed.
inline constexpr char kJobFile[] = "Quillar.job";

struct ChildJob {
  // The scratch folder, a folder of the working directory that the parent
  // made (see scratch_owner).
  std::string scratch;
  // The parent's process number, from the scratch folder's name.
  unsigned long parent_id = 0;
  // The system's place in the listing, from 1 (five digits at most); 1 in a
  // single-system run.
  std::size_t position = 1;
  // 32 lower-case hexadecimal digits that only the parent and the child
  // know: the scratch folder's job file holds them.
  std::string secret;
};

// A new secret for a job.
std::string make_job_secret(Platform& platform);

// The job as the child is handed it: a first line that marks it, then the
// scratch folder, the position and the secret, each on a line of its own.
std::string encode_child_job(const ChildJob& job);

// The job handed to this run, when `handed` is exactly a well-formed job;
// nothing for any other bytes.
std::optional<ChildJob> decode_child_job(std::string_view handed);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_CHILD_JOB_H_
