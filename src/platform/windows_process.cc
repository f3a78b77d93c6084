#include "platform/windows_process.h"

// windows.h comes first: the other system headers build on it.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "platform/windows_command_line.h"

namespace quillar {

namespace {

// The status of a child that kill() or its job ended, as 128 + SIGKILL
// tells it on POSIX; a child that finds itself orphaned ends with it too.
constexpr UINT kKilledStatus = 137;
// How long a child that never ran is given to end.
constexpr DWORD kSuspendedChildEndMs = 1000;

class WindowsChild final : public ChildProcess {
 public:
  WindowsChild(HANDLE process, HANDLE job) : process_(process), job_(job) {}
  ~WindowsChild() override {
    kill();
    CloseHandle(process_);
    CloseHandle(job_);
  }
  bool has_ended() override {
    if (!ended_ && WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
      // Whatever the child started dies with its job.
      TerminateJobObject(job_, kKilledStatus);
      ended_ = true;
    }
    return ended_;
  }
  // The process ends once Windows has finished what it was doing in the
  // kernel, which on a hung disk or share takes as long as that does:
  // has_ended tells when.
  void kill() override {
    if (ended_) return;
    TerminateJobObject(job_, kKilledStatus);
    TerminateProcess(process_, kKilledStatus);
  }
  std::string how_it_ended() override {
    DWORD status = 0;
    if (!has_ended() || !GetExitCodeProcess(process_, &status)) return std::string();
    // Statuses from 0x10000 on are NTSTATUS codes such as 0xC0000005, which
    // read as nothing in decimal.
    char text[32];
    if (status < 0x10000) {
      std::snprintf(text, sizeof text, "exit status %lu", static_cast<unsigned long>(status));
    } else {
      std::snprintf(text, sizeof text, "exit status 0x%08lX", static_cast<unsigned long>(status));
    }
    return text;
  }

 private:
  HANDLE process_;
  HANDLE job_;
  bool ended_ = false;
};

// A job of its own for each child: closing it, as happens when this program
// ends however it ends, ends the child.
HANDLE make_child_job() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    DWORD error = GetLastError();
    CloseHandle(job);
    SetLastError(error);
    return nullptr;
  }
  return job;
}

// The read end of a pipe that holds `job` and then ends: its write end is
// closed before anyone can read. The job fits the pipe's buffer, so the
// writing never waits for a reader. Only the read end is inheritable.
HANDLE pipe_holding(std::string_view job) {
  OwnedHandle read_end;
  OwnedHandle write_end;
  if (!CreatePipe(read_end.receive(), write_end.receive(), nullptr, 4096) ||
      !SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) {
    return nullptr;
  }
  while (!job.empty()) {
    DWORD written = 0;
    if (!WriteFile(write_end.get(), job.data(), static_cast<DWORD>(job.size()), &written, nullptr) || written == 0) {
      return nullptr;
    }
    job.remove_prefix(written);
  }
  return read_end.release();
}

std::unique_ptr<ChildProcess> not_started(DWORD error) {
  errno = errno_of(error);
  return nullptr;
}

// The number of the process that created this one, as the system recorded
// it; that process may have ended since and its number gone to another.
DWORD creator_id() {
  OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  const DWORD self = GetCurrentProcessId();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self) return entry.th32ParentProcessID;
  }
  return 0;
}

// Whether the process `parent_id` created this one and still runs. A
// process that took over the number of an ended creator started after this
// one, which tells it apart.
bool parent_runs(DWORD parent_id) {
  if (parent_id == 0 || creator_id() != parent_id) return false;
  OwnedHandle parent(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent_id));
  FILETIME parent_start{};
  FILETIME own_start{};
  FILETIME unused[3];
  return parent && WaitForSingleObject(parent.get(), 0) == WAIT_TIMEOUT &&
         GetProcessTimes(parent.get(), &parent_start, &unused[0], &unused[1], &unused[2]) &&
         GetProcessTimes(GetCurrentProcess(), &own_start, &unused[0], &unused[1], &unused[2]) &&
         CompareFileTime(&parent_start, &own_start) <= 0;
}

// The file a program file name stands for: its volume and its index there.
// Nothing when it does not open.
std::optional<std::pair<DWORD, ULONGLONG>> file_identity(const std::wstring& path) {
  OwnedHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                               nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  return std::make_pair(info.dwVolumeSerialNumber,
                        (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
}

// Whether the process `parent_id` runs the program file that this process
// runs, told by the files themselves rather than their names, which differ
// in letter case, short forms and links: a shell or any other program of the
// same account that pipes in a job is not the sensor. False when it cannot
// be told.
bool parent_runs_this_program(DWORD parent_id) {
  OwnedHandle parent(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent_id));
  if (!parent) return false;
  std::wstring parent_file(32768, L'\0');
  DWORD parent_length = static_cast<DWORD>(parent_file.size());
  if (!QueryFullProcessImageNameW(parent.get(), 0, parent_file.data(), &parent_length)) return false;
  parent_file.resize(parent_length);
  std::wstring own_file(32768, L'\0');
  const DWORD own_length = GetModuleFileNameW(nullptr, own_file.data(), static_cast<DWORD>(own_file.size()));
  if (own_length == 0 || own_length >= own_file.size()) return false;
  own_file.resize(own_length);
  const auto parent_identity = file_identity(parent_file);
  return parent_identity && parent_identity == file_identity(own_file);
}

// Starts `self` with `command_line`, suspended and without a window, with
// `input` as its standard input and `null_device` as its standard output
// and error. False, with the system's `error`, when it was not started.
bool start_suspended(const std::wstring& self, std::wstring& command_line, HANDLE input, HANDLE null_device,
                     PROCESS_INFORMATION& process, DWORD& error) {
  // The pipe's read end and the null device are the only handles the child
  // inherits, whatever else of this program is inheritable.
  HANDLE inherited[] = {input, null_device};
  SIZE_T list_size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &list_size);
  std::string list_room(list_size, '\0');
  auto attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_room.data());
  if (list_size == 0 || !InitializeProcThreadAttributeList(attributes, 1, 0, &list_size)) {
    error = GetLastError();
    return false;
  }
  if (!UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited,
                                 nullptr, nullptr)) {
    error = GetLastError();
    DeleteProcThreadAttributeList(attributes);
    return false;
  }
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = input;
  startup.StartupInfo.hStdOutput = null_device;
  startup.StartupInfo.hStdError = null_device;
  startup.lpAttributeList = attributes;
  const DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT;
  BOOL started = CreateProcessW(self.c_str(), command_line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                &startup.StartupInfo, &process);
  error = started ? ERROR_SUCCESS : GetLastError();
  DeleteProcThreadAttributeList(attributes);
  return started;
}

}  // namespace

std::unique_ptr<ChildProcess> start_child_process(const std::vector<std::string>& arguments, std::string_view job) {
  if (arguments.empty() || job.size() > kJobRoom) return not_started(ERROR_INVALID_PARAMETER);
  std::wstring self(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
  if (length == 0) return not_started(GetLastError());
  if (length >= self.size()) return not_started(ERROR_FILENAME_EXCED_RANGE);
  self.resize(length);
  std::wstring command_line = command_line_of(arguments);

  OwnedHandle child_job(make_child_job());
  if (!child_job) return not_started(GetLastError());
  OwnedHandle input(pipe_holding(job));
  if (!input) return not_started(GetLastError());
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  OwnedHandle null_device(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inheritable, OPEN_EXISTING, 0, nullptr));
  if (!null_device) return not_started(GetLastError());
  PROCESS_INFORMATION process{};
  DWORD error = ERROR_SUCCESS;
  if (!start_suspended(self, command_line, input.get(), null_device.get(), process, error)) return not_started(error);
  OwnedHandle thread(process.hThread);
  OwnedHandle child(process.hProcess);
  if (!AssignProcessToJobObject(child_job.get(), child.get())) {
    // A child outside the job could outlive this program: it never runs.
    error = GetLastError();
    // It never ran, so it ends at once but for a hung kernel call, which
    // this program does not wait out.
    TerminateProcess(child.get(), kKilledStatus);
    WaitForSingleObject(child.get(), kSuspendedChildEndMs);
    return not_started(error);
  }
  ResumeThread(thread.get());
  return std::make_unique<WindowsChild>(child.release(), child_job.release());
}

std::optional<std::string> job_waiting_in_input() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE || GetFileType(input) != FILE_TYPE_PIPE) return std::nullopt;
  // Reading no more than the pipe holds never waits; a pipe whose writer
  // has gone fails the peek.
  DWORD available = 0;
  if (!PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) || available == 0) return std::nullopt;
  std::string job(std::min<std::size_t>(available, kJobRoom), '\0');
  DWORD read = 0;
  if (!ReadFile(input, job.data(), static_cast<DWORD>(job.size()), &read, nullptr) || read == 0) return std::nullopt;
  job.resize(read);
  return job;
}

// Nothing here watches the parent afterwards: the job it put this process
// into ends this process, and all that it started, when the parent's handle
// to the job closes, which the system does however the parent ends, killed
// included (wine as well). A thread waiting here for the parent could not
// end the processes this one started.
bool end_with_parent_process(unsigned long parent_id) {
  BOOL in_job = FALSE;
  return parent_runs(static_cast<DWORD>(parent_id)) && parent_runs_this_program(static_cast<DWORD>(parent_id)) &&
         IsProcessInJob(GetCurrentProcess(), nullptr, &in_job) && in_job;
}

bool windows_process_alive(unsigned long process_id) {
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return alive;
}

}  // namespace quillar
