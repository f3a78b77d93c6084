// Texts that name every output mode, made as the sensor makes them, so that
// a test of where such a text comes from does not repeat the list of modes.
// The end-to-end tests pin their bytes (tests/e2e/e2e_test.cc).
#ifndef QUILLAR_TESTS_MODE_TEXTS_H_
#define QUILLAR_TESTS_MODE_TEXTS_H_

#include <string>
#include <string_view>

#include "base/errors.h"
#include "output/result_document.h"

namespace quillar {

// The text of Error 1041 for a mode typed as `typed`.
inline std::string unknown_mode_error(std::string_view typed) {
  return error_text(Fault::kModeUnknown, {typed, listed_modes()});
}

}  // namespace quillar

#endif  // QUILLAR_TESTS_MODE_TEXTS_H_
