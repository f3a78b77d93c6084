// Runs programs as whole processes, alternating them, and prints the median
// wall time, CPU time and peak resident memory of each, with its ratio to the
// first program (the floor).
//
// usage: bench_runner REPETITIONS PROGRAM_LIST
// Each line of PROGRAM_LIST is one program: name, working directory, then the
// command and its arguments, separated by tabs.
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Program {
  std::string name;
  std::string working_dir;
  std::vector<std::string> command;
  std::vector<double> wall_ms, cpu_ms, rss_kb;
  int last_exit = 0;
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void run_once(Program& program) {
  std::vector<char*> argv;
  for (std::string& part : program.command) argv.push_back(part.data());
  argv.push_back(nullptr);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    int null_fd = ::open("/dev/null", O_RDWR);
    ::dup2(null_fd, 0);
    ::dup2(null_fd, 1);
    if (::chdir(program.working_dir.c_str()) != 0) ::_exit(127);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  auto end = std::chrono::steady_clock::now();
  program.last_exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  program.wall_ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  program.cpu_ms.push_back((usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0);
  program.rss_kb.push_back(static_cast<double>(usage.ru_maxrss));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_runner REPETITIONS PROGRAM_LIST\n");
    return 2;
  }
  int repetitions = std::atoi(argv[1]);
  std::vector<Program> programs;
  std::ifstream program_list(argv[2]);
  for (std::string line; std::getline(program_list, line);) {
    if (line.empty()) continue;
    std::vector<std::string> fields;
    std::stringstream parts(line);
    for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
    if (fields.size() < 3) continue;
    programs.push_back(Program{fields[0], fields[1], {fields.begin() + 2, fields.end()}, {}, {}, {}, 0});
  }
  if (programs.empty()) return 2;
  for (int i = 0; i < repetitions; ++i) {
    for (Program& program : programs) run_once(program);
  }
  double floor_wall = median(programs[0].wall_ms);
  double floor_cpu = median(programs[0].cpu_ms);
  std::printf("%-28s %10s %10s %10s %10s %10s %5s\n", "program", "wall ms", "x floor", "cpu ms", "x floor",
              "peak KB", "exit");
  for (const Program& program : programs) {
    double wall = median(program.wall_ms);
    double cpu = median(program.cpu_ms);
    std::printf("%-28s %10.3f %10.2f %10.3f %10.2f %10.0f %5d\n", program.name.c_str(), wall, wall / floor_wall,
                cpu, floor_cpu > 0 ? cpu / floor_cpu : 0.0, median(program.rss_kb), program.last_exit);
  }
  for (const Program& program : programs) {
    std::printf("median-wall-ms %s %.3f\n", program.name.c_str(), median(program.wall_ms));
  }
  return 0;
}
