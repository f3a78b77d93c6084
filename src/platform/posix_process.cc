#include "platform/posix_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

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

  // Only signals: a child in an uninterruptible wait (I/O on a hung disk or
  // share) ends when that returns. has_ended reaps it then.
  void kill() override {
    if (!ended_) ::kill(-pid_, SIGKILL);
  }

  std::string how_it_ended() override { return how_; }

 private:
  // Only for a child that has ended: the wait below returns at once.
  void end_group_and_reap() {
    ::kill(-pid_, SIGKILL);
    int status = 0;
    pid_t reaped = -1;
    while ((reaped = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    ended_ = true;
    if (reaped != pid_) {
      how_ = "an unknown status";
    } else if (WIFEXITED(status)) {
      how_ = "exit status " + std::to_string(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
      how_ = "signal " + std::to_string(WTERMSIG(status));
    }
  }

  pid_t pid_;
  bool ended_ = false;
  std::string how_;
};

// The read end of a pipe that holds `job` and then ends; -1 when that
// failed. Both ends are closed on exec: the child gets the read end as its
// standard input alone.
int pipe_holding(std::string_view job) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return -1;
  // The job is far below the pipe's buffer, so the write never waits.
  bool written = job.size() <= kJobRoom && ::write(ends[1], job.data(), job.size()) == static_cast<ssize_t>(job.size());
  const int saved = errno;
  ::close(ends[1]);
  if (!written) {
    ::close(ends[0]);
    errno = saved != 0 ? saved : EIO;
    return -1;
  }
  return ends[0];
}

}  // namespace

std::unique_ptr<ChildProcess> start_child_process(const std::string& self, const std::vector<std::string>& arguments,
                                                  std::string_view job) {
  if (arguments.empty()) {
    errno = EINVAL;
    return nullptr;
  }
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  const int job_pipe = pipe_holding(job);
  if (job_pipe < 0) return nullptr;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, job_pipe, STDIN_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  // Whatever this program holds open, inherited or its own, stays its own.
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
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
  ::close(job_pipe);
  if (failed != 0) {
    errno = failed;
    return nullptr;
  }
  return std::make_unique<PosixChild>(pid);
}

std::optional<std::string> job_on_standard_input() {
  struct stat info;
  if (::fstat(STDIN_FILENO, &info) != 0 || !S_ISFIFO(info.st_mode)) return std::nullopt;
  pollfd input{STDIN_FILENO, POLLIN, 0};
  if (::poll(&input, 1, 0) != 1 || (input.revents & POLLIN) == 0) return std::nullopt;
  // One read: a pipe that another program holds open may hold no more, and
  // a second read would wait for it.
  char job[kJobRoom];
  ssize_t length = ::read(STDIN_FILENO, job, sizeof job);
  if (length <= 0) return std::nullopt;
  return std::string(job, static_cast<std::size_t>(length));
}

namespace {

// Whether the process `process_id` runs the program file that this process
// runs, told by device and inode: a shell or any other program of the same
// account that pipes in a job is not the sensor. False when it cannot be
// told, as for a process of another account or one that has ended.
bool runs_this_program(pid_t process_id) {
  struct stat own;
  struct stat other;
  const std::string other_program = "/proc/" + std::to_string(process_id) + "/exe";
  return ::stat("/proc/self/exe", &own) == 0 && ::stat(other_program.c_str(), &other) == 0 &&
         own.st_dev == other.st_dev && own.st_ino == other.st_ino;
}

}  // namespace

bool end_with_parent_process(unsigned long parent_id) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  const pid_t parent = ::getppid();
  return static_cast<unsigned long>(parent) == parent_id && runs_this_program(parent);
}

void take_default_child_signal() { ::signal(SIGCHLD, SIG_DFL); }

}  // namespace quillar
