// The words of an option string that the sensor passes over, found where the
// options are read (see Options::skipped).
#ifndef QUILLAR_DRIVER_OPTION_SKIPS_H_
#define QUILLAR_DRIVER_OPTION_SKIPS_H_

#include <cstddef>
#include <string_view>

#include "driver/options.h"

namespace quillar {

// The words that read_options passes over wherever the options stand:
// keywords without their comma, keywords given again, words with "=" that
// hold no keyword. `keyword_text` is options.typed upper-cased.
void find_skipped_words(std::string_view keyword_text, Options& options);

// Where `keyword` stands for the second time in `keyword_text`; npos when it
// stands there once at most.
std::size_t repeated_at(std::string_view keyword_text, std::string_view keyword);

}  // namespace quillar

#endif  // QUILLAR_DRIVER_OPTION_SKIPS_H_
