// Process control of the Windows build: children in a job that ends them
// with this program, with null standard handles and no window.
#ifndef QUILLAR_PLATFORM_WINDOWS_PROCESS_H_
#define QUILLAR_PLATFORM_WINDOWS_PROCESS_H_

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace quillar {

// A text of the ANSI code page as Windows' wide characters.
std::wstring wide(const std::string& text);

// Starts this program with `arguments` (the child's name for itself first)
// in the working directory. Null when it could not be started, or when it
// could not be put into the job that ends it with this program: such a
// child is ended while still suspended.
std::unique_ptr<ChildProcess> start_child_process(const std::vector<std::string>& arguments);

// Whether a process of this number runs; one that may not be looked at
// counts as running.
bool windows_process_alive(unsigned long process_id);

// Entries of the file system, never following a reparse point.
EntryKind windows_entry_kind(const std::string& path);
std::vector<std::string> windows_folder_entries(const std::string& path);
bool windows_enter_directory(const std::string& path);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_WINDOWS_PROCESS_H_
