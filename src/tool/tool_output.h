// What every command of quillar-profile shares: its exit codes and its way of
// telling a problem.
#ifndef QUILLAR_TOOL_TOOL_OUTPUT_H_
#define QUILLAR_TOOL_TOOL_OUTPUT_H_

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/platform_wrapper.h"

namespace quillar {

inline constexpr int kToolDone = 0;
// A test found what keeps the sensor from reporting real values.
inline constexpr int kToolFoundFault = 1;
inline constexpr int kToolRefused = 2;

// `text` on standard error, as the tool's own line.
inline void say(Platform& platform, const std::string& text) {
  platform.write_error_console("quillar-profile: " + text + "\n");
}

// The console of the tool: every text is written out as soon as it is
// written, so that an administrator who takes the output into a file or a
// pipe sees each line as it is known, also of a command that hangs or is
// ended before it returns.
class WriteThroughConsole final : public PlatformWrapper {
 public:
  using PlatformWrapper::PlatformWrapper;
  void write_console(std::string_view text) override {
    target().write_console(text);
    target().flush_console();
  }
  void write_error_console(std::string_view text) override {
    target().write_error_console(text);
    target().flush_console();
  }
};

// The file name of `path`, without its folder.
inline std::string file_name_of(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace quillar

#endif  // QUILLAR_TOOL_TOOL_OUTPUT_H_
