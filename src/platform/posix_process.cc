#include "platform/posix_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace quillar {
namespace {

// The child leads its own process group, whose number is its own: while the
// child is not reaped, the number cannot pass to another group, so the group
// is signalled only then.
class PosixChild final : public ChildProcess {
 public:
  explicit PosixChild(pid_t pid) : pid_(pid) {}
  ~PosixChild() override { kill(); }

  bool has_ended() override {
    if (ended_) return true;
    siginfo_t info{};
    // WNOWAIT leaves the child unreaped, so its group can still be ended.
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
      if (errno == ECHILD) ended_ = true;
      return ended_;
    }
    if (info.si_pid != pid_) return false;
    end_group_and_reap();
    return true;
  }

  void kill() override {
    if (ended_) return;
    end_group_and_reap();
  }

 private:
  void end_group_and_reap() {
    ::kill(-pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    ended_ = true;
  }

  pid_t pid_;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<ChildProcess> start_child_process(const std::string& self, const std::vector<std::string>& arguments) {
  if (arguments.empty()) return nullptr;
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t no_signals;
  sigset_t all_signals;
  sigemptyset(&no_signals);
  sigfillset(&all_signals);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setsigmask(&attributes, &no_signals);
  posix_spawnattr_setsigdefault(&attributes, &all_signals);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  int failed = posix_spawn(&pid, self.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return nullptr;
  return std::make_unique<PosixChild>(pid);
}

void end_with_parent_process(unsigned long parent_id) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (static_cast<unsigned long>(::getppid()) != parent_id) std::_Exit(128 + SIGKILL);
}

void take_default_child_signal() { ::signal(SIGCHLD, SIG_DFL); }

}  // namespace quillar
