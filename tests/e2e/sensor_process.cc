#include "e2e/sensor_process.h"

#include <fcntl.h>
#include <signal.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "e2e/e2e_support.h"

extern char** environ;

namespace quillar::e2e {
namespace {

std::string environment_value(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

struct Spawned {
  pid_t pid = -1;
  int in = -1;
  int out = -1;
  int err = -1;
};

// Starts `argv`. With `capture`, standard input, output and error are pipes;
// without, /dev/null, so that a process which lives on (the wineserver)
// holds no pipe of ours open.
Spawned spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extra_env,
              const std::string& working_dir, bool capture) {
  // A variable of `extra_env` replaces the suite's own of that name, and a
  // later one of the same name an earlier one.
  const auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  std::vector<std::string> env_text;
  for (char** entry = environ; *entry != nullptr; ++entry) env_text.emplace_back(*entry);
  for (const std::string& extra : extra_env) {
    std::erase_if(env_text, [&](const std::string& entry) { return name_of(entry) == name_of(extra); });
    env_text.push_back(extra);
  }
  std::vector<char*> env_pointers;
  for (std::string& entry : env_text) env_pointers.push_back(entry.data());
  env_pointers.push_back(nullptr);
  std::vector<std::string> argv_text = argv;
  std::vector<char*> argv_pointers;
  for (std::string& arg : argv_text) argv_pointers.push_back(arg.data());
  argv_pointers.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  int in_pipe[2] = {-1, -1};
  int out_pipe[2] = {-1, -1};
  int err_pipe[2] = {-1, -1};
  if (capture) {
    if (::pipe2(in_pipe, O_CLOEXEC) != 0 || ::pipe2(out_pipe, O_CLOEXEC) != 0 ||
        ::pipe2(err_pipe, O_CLOEXEC) != 0) {
      throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  if (!working_dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, working_dir.c_str());

  // The suite ignores SIGPIPE; the programs it runs get the default, as
  // from a shell.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t default_signals;
  sigemptyset(&default_signals);
  sigaddset(&default_signals, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &default_signals);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

  Spawned spawned;
  int failed = posix_spawnp(&spawned.pid, argv_pointers[0], &actions, &attributes, argv_pointers.data(),
                            env_pointers.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (capture) {
    ::close(in_pipe[0]);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    spawned.in = in_pipe[1];
    spawned.out = out_pipe[0];
    spawned.err = err_pipe[0];
  }
  if (failed != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(failed));
  return spawned;
}

// What the suite may have left on a wine prefix's drive c when an earlier run
// was cut short; a prefix has none of these of its own.
const char* const kSuiteFolders[] = {
    "e2e", "PRTG_Path.Txt", "PRTG Network Monitor", "Programme",
    "Program Files/PRTG Network Monitor", "Program Files (x86)/PRTG Network Monitor",
};

int wait_for(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + WTERMSIG(status);
}

// Reads standard output and standard error until the process has ended, then
// what is left in the pipes. Helpers that wine starts along with a program may
// inherit the pipes and keep them open, so their end is not waited for. A
// process that runs longer than `kill_after_ms` (a minute) is killed.
int collect(const Spawned& process, ProcessResult& result, int kill_after_ms = 60000) {
  pollfd fds[2] = {{process.out, POLLIN, 0}, {process.err, POLLIN, 0}};
  std::string* sinks[2] = {&result.standard_output, &result.standard_error};
  auto drain = [&](int i) {
    char block[4096];
    for (;;) {
      ssize_t n = ::read(fds[i].fd, block, sizeof block);
      if (n <= 0) return n;
      sinks[i]->append(block, static_cast<std::size_t>(n));
      if (static_cast<std::size_t>(n) < sizeof block) return n;
    }
  };
  int exit_code = -1;
  bool ended = false;
  for (int waited_ms = 0; !ended; waited_ms += 20) {
    ::poll(fds, 2, 20);
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) != 0 && drain(i) == 0) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
      }
    }
    int status = 0;
    pid_t done = ::waitpid(process.pid, &status, WNOHANG);
    if (done == process.pid) {
      ended = true;
      exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else if (waited_ms > kill_after_ms) {
      ::kill(process.pid, SIGKILL);
    }
  }
  for (int i = 0; i < 2; ++i) {
    if (fds[i].fd < 0) continue;
    ::fcntl(fds[i].fd, F_SETFL, O_NONBLOCK);
    drain(i);
    ::close(fds[i].fd);
  }
  return exit_code;
}

// Whether wine itself failed to load the program, in its own words.
bool wine_did_not_start_it(const ProcessResult& result) {
  const auto said = [&result](const char* text) {
    return result.standard_output.find(text) != std::string::npos ||
           result.standard_error.find(text) != std::string::npos;
  };
  return said("Application could not be started, or no application associated with the specified file.") &&
         said("ShellExecuteEx failed");
}

}  // namespace

SensorHost::SensorHost()
    : program_(environment_value("QUILLAR_E2E_PROGRAM")),
      profile_tool_(environment_value("QUILLAR_E2E_PROFILE_TOOL")),
      wine_prefix_(environment_value("QUILLAR_E2E_WINE_PREFIX")),
      wine_(environment_value("QUILLAR_E2E_WINE")) {
  if (program_.empty()) throw std::runtime_error("QUILLAR_E2E_PROGRAM names no program");
  // A program may end before it reads the input written to it.
  std::signal(SIGPIPE, SIG_IGN);
  program_ = std::filesystem::absolute(program_).string();
  if (!profile_tool_.empty()) profile_tool_ = std::filesystem::absolute(profile_tool_).string();
  if (under_wine()) {
    if (wine_.empty()) throw std::runtime_error("QUILLAR_E2E_WINE names no wine helper");
    wine_prefix_ = std::filesystem::absolute(wine_prefix_).string();
    drive_c_ = std::filesystem::path(wine_prefix_) / "drive_c";
    if (!std::filesystem::is_directory(drive_c_)) {
      throw std::runtime_error("no wine prefix at " + wine_prefix_);
    }
    for (const char* leftover : kSuiteFolders) std::filesystem::remove_all(drive_c_ / leftover);
    std::vector<std::string> env = {"WINEPREFIX=" + wine_prefix_, "WINEDEBUG=-all"};
    wait_for(spawn({wine_, "--server", "-p"}, env, "", false).pid);
    // The first program of a wine session starts wine's own services, which
    // live on; they are started here, away from any pipe of the suite.
    wait_for(spawn({wine_, "wineboot"}, env, "", false).pid);
  } else {
    char pattern[] = "/tmp/quillar-e2e-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    drive_root_ = pattern;
    drive_c_ = drive_root_ / "c";
    std::filesystem::create_directories(drive_c_);
  }
}

SensorHost::~SensorHost() {
  clear_files();
  if (under_wine()) {
    wait_for(spawn({wine_, "--server", "-k"}, {"WINEPREFIX=" + wine_prefix_}, "", false).pid);
  } else {
    std::error_code ignored;
    std::filesystem::remove_all(drive_root_, ignored);
  }
}

std::filesystem::path SensorHost::local_path(const std::string& windows_path) const {
  if (windows_path.size() < 3 || (windows_path[0] != 'C' && windows_path[0] != 'c') ||
      windows_path.compare(1, 2, ":\\") != 0) {
    throw std::runtime_error("not a path of drive c: " + windows_path);
  }
  std::string rest = windows_path.substr(3);
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  return drive_c_ / rest;
}

void SensorHost::write_file(const std::string& windows_path, const std::string& content) {
  std::filesystem::path path = local_path(windows_path);
  // Remember the outermost new folder, or the file itself, for clear_files.
  std::filesystem::path walked = drive_c_;
  bool recorded = false;
  for (const std::filesystem::path& part : path.lexically_relative(drive_c_)) {
    walked /= part;
    if (!std::filesystem::exists(walked)) {
      created_.push_back(walked);
      recorded = true;
      break;
    }
  }
  if (!recorded) created_.push_back(path);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

void SensorHost::clear_files() {
  std::error_code ignored;
  for (auto path = created_.rbegin(); path != created_.rend(); ++path) {
    std::filesystem::remove_all(*path, ignored);
  }
  created_.clear();
}

ProcessResult SensorHost::run(const std::vector<std::string>& arguments, const std::string& working_dir,
                              const std::string& input, Program program) {
  const std::string& path = program == Program::kSensor ? program_ : profile_tool_;
  if (path.empty()) throw std::runtime_error("QUILLAR_E2E_PROFILE_TOOL names no program");
  return run_program(path, arguments, working_dir, input);
}

ProcessResult SensorHost::run_killed_after(const std::vector<std::string>& arguments, const std::string& working_dir,
                                           int milliseconds) {
  return run_program(program_, arguments, working_dir, "", milliseconds);
}

ProcessResult SensorHost::run_program(const std::string& path, const std::vector<std::string>& arguments,
                                      const std::string& working_dir, const std::string& input,
                                      int kill_after_ms) {
  const std::filesystem::path local_dir = working_folder(working_dir);
  const Command command = command_of(path, arguments);
  ProcessResult result;
  for (int attempt = 1;; ++attempt) {
    Spawned process = spawn(command.argv, command.env, local_dir.string(), true);
    // Small inputs fit the pipe, so writing them all before reading is safe.
    // A program that ends without reading its input closes the pipe first:
    // that is its behaviour to check, no fault of the suite.
    if (!input.empty() && ::write(process.in, input.data(), input.size()) < 0 && errno != EPIPE) {
      throw std::runtime_error("cannot write standard input");
    }
    ::close(process.in);
    result = ProcessResult{};
    result.exit_code = collect(process, result, kill_after_ms);
    // On a loaded machine wine now and then fails to load a program at all,
    // several starting at once, and says so in its own words; the program
    // never ran, so the start is tried again.
    if (!under_wine() || attempt == 3 || !wine_did_not_start_it(result)) return result;
  }
}

std::filesystem::path SensorHost::working_folder(const std::string& working_dir) {
  std::filesystem::path local_dir = local_path(working_dir);
  if (!std::filesystem::exists(local_dir)) {
    write_file(working_dir + "\\.keep", "");
  }
  return local_dir;
}

SensorHost::Command SensorHost::command_of(const std::string& path, const std::vector<std::string>& arguments) const {
  Command command;
  if (under_wine()) {
    command.argv = {wine_, path};
    // Wine takes the ANSI code page, and the encoding of the unix names of
    // files, from the unix locale: this one gives code page 1252 and UTF-8
    // names, whatever locale runs the suite.
    command.env = {"WINEPREFIX=" + wine_prefix_, "WINEDEBUG=-all", "LC_ALL=C.UTF-8"};
  } else {
    command.argv = {path};
    if (std::getenv("QUILLAR_E2E_VALGRIND") != nullptr) {
      command.argv.insert(command.argv.begin(),
                          {"valgrind", "--quiet", "--error-exitcode=99", "--leak-check=full",
                           "--errors-for-leak-kinds=definite,indirect", "--show-leak-kinds=definite,indirect"});
    }
    command.env = {"QUILLAR_DRIVE_ROOT=" + drive_root_.string()};
  }
  command.argv.insert(command.argv.end(), arguments.begin(), arguments.end());
  return command;
}

ProcessResult SensorHost::run_on_terminal(const std::vector<std::string>& arguments, const std::string& working_dir,
                                          const std::string& input, Program program, const std::string& locale) {
  const std::filesystem::path local_dir = working_folder(working_dir);
  Command command = command_of(program == Program::kSensor ? program_ : profile_tool_, arguments);
  command.env.push_back("LC_ALL=" + locale);
  // The input comes through a pipe: a terminal's input would be flushed
  // when the program hides what is typed.
  std::string line = "printf '%s' " + shell_quoted(input) + " | exec";
  for (const std::string& word : command.argv) line += " " + shell_quoted(word);
  Spawned process = spawn({"/usr/bin/script", "-qec", line, "/dev/null"}, command.env, local_dir.string(), true);
  ::close(process.in);
  ProcessResult result;
  result.exit_code = collect(process, result);
  return result;
}

std::string SensorHost::console_form(const std::string& text) const {
  if (!under_wine()) return text;
  std::string converted;
  for (char c : text) {
    if (c == '\n') converted += '\r';
    converted += c;
  }
  return converted;
}

}  // namespace quillar::e2e
