// The one place where a failed run prints its error document.
#ifndef QUILLAR_DRIVER_ERROR_DOCUMENT_H_
#define QUILLAR_DRIVER_ERROR_DOCUMENT_H_

#include <string_view>

#include "platform/platform.h"

namespace quillar {

// The end of every failed run: prints the error document that carries
// `error_text` and gives the exit code.
int end_with_error_document(Platform& platform, std::string_view error_text);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_ERROR_DOCUMENT_H_
