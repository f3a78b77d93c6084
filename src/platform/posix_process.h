// Process control of the POSIX build: children in process groups of their
// own, and the parent-death check.
#ifndef QUILLAR_PLATFORM_POSIX_PROCESS_H_
#define QUILLAR_PLATFORM_POSIX_PROCESS_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// Starts the program at `self` with `arguments` (its argv, the child's name
// for itself first) in a new process group, standard input, output and error
// on /dev/null, every signal at its default and none blocked. Null when it
// could not be started.
std::unique_ptr<ChildProcess> start_child_process(const std::string& self, const std::vector<std::string>& arguments);

// Ends this process when `parent_id` ends: the kernel's parent-death signal,
// and a check that the parent is still the one that started this process,
// since it may have ended before the signal was asked for.
void end_with_parent_process(unsigned long parent_id);

// Undoes what an inherited SIGCHLD = SIG_IGN would do to the children's
// reaping: their ends are seen, their numbers stay theirs until reaped.
void take_default_child_signal();

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_POSIX_PROCESS_H_
