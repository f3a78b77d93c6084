// Files of the C runtime, shared by the Windows and the POSIX platform.
#ifndef QUILLAR_PLATFORM_STDIO_FILE_H_
#define QUILLAR_PLATFORM_STDIO_FILE_H_

#include <cstdio>
#include <memory>

#include "platform/platform.h"

namespace quillar {

// Takes ownership of an open stream; null gives null.
std::unique_ptr<ReadableFile> make_readable(std::FILE* stream);
std::unique_ptr<WritableFile> make_writable(std::FILE* stream);

// Reads a line from the stream, without its line end (LF or CR LF). False
// when the stream has ended before any character.
bool read_stream_line(std::FILE* stream, std::string& line);

// The local time of day from the C runtime's clock, as "hh:mm:ss".
std::string local_time_of_day();

}  // namespace quillar

#endif  // QUILLAR_PLATFORM_STDIO_FILE_H_
