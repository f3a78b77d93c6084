// The child's side of a child run: its one system, worked on in its scratch
// folder, everything it prints turned into records for its parent.
#ifndef QUILLAR_DRIVER_CHILD_SIDE_H_
#define QUILLAR_DRIVER_CHILD_SIDE_H_

#include <memory>
#include <string>
#include <string_view>

#include "driver/child_job.h"
#include "driver/child_records.h"
#include "driver/processing_run.h"
#include "platform/platform_wrapper.h"
#include "profiles/global_profile.h"
#include "profiles/system_profile.h"

namespace quillar {

// The console of a child. Until begin() it is the platform's own; once the
// child has entered its scratch folder, whatever it prints becomes a record
// of its stream, written whole and flushed at once, so that the error
// report's output, which ends the process, is kept too. A record that
// cannot be written ends the stream: the child then never completes.
class ChildConsole final : public PlatformWrapper {
 public:
  explicit ChildConsole(Platform& target);

  // Enters the job's scratch folder, checks that it is the one the parent
  // made for this job (this user's, holding the job's secret), and starts
  // the stream there. False when any of that failed: the child then
  // records nothing and never completes.
  bool begin(const ChildJob& job);

  void record(RecordKind kind, std::string_view payload);
  // Console bytes of `kind`, in records of at most the payload's room.
  void record_output(RecordKind kind, std::string_view text);

  void write_console(std::string_view text) override;
  // Whether the output ends inside a line is known only where it is printed,
  // after what the parent printed before this child's output.
  void begin_console_line() override;
  bool delete_file(const std::string& path) override;
  // Writes the end record, the proof that the child completed.
  void finish_output(int exit_code) override;

  // The child's exit code for a run that ended with `run_exit_code`:
  // kExitRecordsLost when a record could not be written.
  int exit_code(int run_exit_code) const;

 private:
  std::unique_ptr<WritableFile> stream_;
  bool broken_ = false;
};

// The single-system run of a child, over the entries that start-up read.
RunOutcome run_single_system_as_child(Invocation& invocation, const LogonEntries& entries, const ChildJob& job,
                                      ChildConsole& console);

// The system at the job's position of a global run, once start-up and the
// global run's preparation have passed.
RunOutcome run_global_system_as_child(Invocation& invocation, const GlobalAllocation& allocation,
                                      const Options& options, const ChildJob& job, ChildConsole& console);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_CHILD_SIDE_H_
