#include "platform/windows_process.h"

#include <windows.h>

namespace quillar {

std::wstring wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring converted(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), converted.data(), length);
  return converted;
}

namespace {

// One argument of a command line, quoted the way the C runtime splits it
// again: backslashes count only in front of a quote.
std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    text += c;
  }
  text.append(backslashes * 2, L'\\');
  return text + L"\"";
}

// The program's name, the first word of a command line, is read up to the
// next blank or between quotes, without any escapes; a name cannot hold a
// quote.
std::wstring quoted_program_name(const std::wstring& name) {
  if (!name.empty() && name.find_first_of(L" \t") == std::wstring::npos) return name;
  return L"\"" + name + L"\"";
}

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
      TerminateJobObject(job_, 137);
      ended_ = true;
    }
    return ended_;
  }
  void kill() override {
    if (ended_) return;
    TerminateJobObject(job_, 137);
    TerminateProcess(process_, 137);
    WaitForSingleObject(process_, INFINITE);
    ended_ = true;
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
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

}  // namespace

std::unique_ptr<ChildProcess> start_child_process(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return nullptr;
  std::wstring self(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
  if (length == 0 || length >= self.size()) return nullptr;
  self.resize(length);
  std::wstring command_line = quoted_program_name(wide(arguments[0]));
  for (std::size_t k = 1; k < arguments.size(); ++k) command_line += L" " + quoted(wide(arguments[k]));

  HANDLE job = make_child_job();
  if (job == nullptr) return nullptr;
  // The null device, inherited as the only handle the child gets.
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE null_device = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inheritable, OPEN_EXISTING, 0, nullptr);
  if (null_device == INVALID_HANDLE_VALUE) {
    CloseHandle(job);
    return nullptr;
  }
  SIZE_T list_size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &list_size);
  std::string list_room(list_size, '\0');
  auto attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_room.data());
  bool listed = list_size > 0 && InitializeProcThreadAttributeList(attributes, 1, 0, &list_size) &&
                UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &null_device,
                                          sizeof null_device, nullptr, nullptr);
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = null_device;
  startup.StartupInfo.hStdOutput = null_device;
  startup.StartupInfo.hStdError = null_device;
  startup.lpAttributeList = listed ? attributes : nullptr;
  PROCESS_INFORMATION process{};
  DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | (listed ? EXTENDED_STARTUPINFO_PRESENT : 0);
  BOOL started = listed && CreateProcessW(self.c_str(), command_line.data(), nullptr, nullptr, TRUE, flags,
                                          nullptr, nullptr, &startup.StartupInfo, &process);
  if (listed) DeleteProcThreadAttributeList(attributes);
  CloseHandle(null_device);
  if (!started) {
    CloseHandle(job);
    return nullptr;
  }
  if (!AssignProcessToJobObject(job, process.hProcess)) {
    // A child outside the job could outlive this program: it never runs.
    TerminateProcess(process.hProcess, 137);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(job);
    return nullptr;
  }
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  return std::make_unique<WindowsChild>(process.hProcess, job);
}

bool windows_process_alive(unsigned long process_id) {
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return alive;
}

EntryKind windows_entry_kind(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EntryKind::kMissing : EntryKind::kOther;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || (attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
    return EntryKind::kOther;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::kFolder : EntryKind::kFile;
}

std::vector<std::string> windows_folder_entries(const std::string& path) {
  std::vector<std::string> names;
  if (windows_entry_kind(path.empty() ? "." : path) != EntryKind::kFolder) return names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path.empty() ? std::string("*") : path + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

bool windows_enter_directory(const std::string& path) {
  return windows_entry_kind(path) == EntryKind::kFolder && SetCurrentDirectoryA(path.c_str()) != 0;
}

}  // namespace quillar
