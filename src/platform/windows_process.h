// Process control of the Windows build: children in a job that ends them with this program, with the job in a pipe
// as their standard input, null standard output and error, and no window.
#ifndef QUILLAR_PLATFORM_WINDOWS_PROCESS_H_
#define QUILLAR_PLATFORM_WINDOWS_PROCESS_H_

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/windows_support.h"

namespace quillar {

// Starts this program with `arguments` (the child's name for itself first)
// in the working directory, with `job` waiting in its standard input. Null
// when it could not be started, or when it could not be put into the job
// that ends it with this program: such a child is ended while still
// suspended. errno tells why then.
std::unique_ptr<ChildProcess> start_child_process(const std::vector<std::string>& arguments, std::string_view job);

// What standard input, a pipe, holds at once: at most kJobRoom bytes,
// never waiting.
std::optional<std::string> job_waiting_in_input();

// Whether `parent_id` started this process, still runs, runs this same
// program file, and holds it in a job, whose closing ends this process with
// it.
bool end_with_parent_process(unsigned long parent_id);

// Whether a process of this number runs; one that may not be looked at
// counts as running.
bool windows_process_alive(unsigned long process_id);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_WINDOWS_PROCESS_H_
