// Command lines of the Windows build, which a program gets as one text and
// the C runtime splits into its arguments again.
#ifndef QUILLAR_PLATFORM_WINDOWS_COMMAND_LINE_H_
#define QUILLAR_PLATFORM_WINDOWS_COMMAND_LINE_H_

#include <string>
#include <vector>

namespace quillar {

// The command line of `arguments`, the program's name first, that the C
// runtime splits back into the same arguments.
std::wstring command_line_of(const std::vector<std::string>& arguments);

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_WINDOWS_COMMAND_LINE_H_
