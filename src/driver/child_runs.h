// Systems in child processes: with a deadline or several at once, each system
// is worked on by another run of this program in a scratch folder of its own,
// and the parent emits the results in listing order, byte for byte as one
// process would have.
#ifndef QUILLAR_DRIVER_CHILD_RUNS_H_
#define QUILLAR_DRIVER_CHILD_RUNS_H_

#include <optional>
#include <string>
#include <vector>

#include "driver/processing_run.h"
#include "platform/platform.h"

namespace quillar {

// The first argument of a child's command line.
inline constexpr char kSystemChildArgument[] = "--system";
inline constexpr char kSingleChildArgument[] = "--single";

// The global run's systems in children. Gives the exit code: completed, or
// aborted by a system's RFC error report.
int run_children(GlobalRun& global_run, const std::vector<std::string>& profile_names);

// The single-system run in a child, stopped at the deadline. Gives the exit
// code; nothing when no child could be started, and the run goes on in this
// process.
std::optional<int> run_single_in_child(Run& run, const std::string& destination);

// The child's side: `arguments` follow the program path, the child argument
// first. Gives the child's exit code.
int run_child(Platform& platform, const std::vector<std::string>& arguments);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_CHILD_RUNS_H_
