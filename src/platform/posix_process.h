// Process control of the POSIX build: children in process groups of their
// own, and the parent-death check.
#ifndef QUILLAR_PLATFORM_POSIX_PROCESS_H_
#define QUILLAR_PLATFORM_POSIX_PROCESS_H_

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// Starts the program at `self` with `arguments` (its argv, the child's name
// for itself first) in a new process group, standard input a pipe that holds
// `job` and then ends, standard output and error on /dev/null, no other
// descriptor, every signal at its default and none blocked. Null when it
// could not be started, with errno telling why.
std::unique_ptr<ChildProcess> start_child_process(const std::string& self, const std::vector<std::string>& arguments,
                                                  std::string_view job);

// What standard input holds at once when it is a pipe (see
// Platform::job_from_parent). Never waits.
std::optional<std::string> job_on_standard_input();

// Ends this process when `parent_id` ends, by the kernel's parent-death
// signal. False when the parent is no longer the one that started this
// process (it may have ended before the signal was asked for), or does not
// run this same program file, or when that cannot be told.
bool end_with_parent_process(unsigned long parent_id);

// Undoes what an inherited SIGCHLD = SIG_IGN would do to the children's
// reaping: their ends are seen, their numbers stay theirs until reaped.
void take_default_child_signal();

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_POSIX_PROCESS_H_
