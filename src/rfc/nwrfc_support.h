// The small text rules that the rooms of the bridge share.
#ifndef QUILLAR_RFC_NWRFC_SUPPORT_H_
#define QUILLAR_RFC_NWRFC_SUPPORT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace quillar {

// Without the blanks and tabs around it.
std::string trimmed(std::string_view text);

// A classic text that may be missing, as a text: empty when it is.
std::string text_of(const char* text);

// `text` into a classic character field of `room` bytes, cut to fit and
// ended by a zero.
void copy_into(char* target, std::size_t room, const std::string& text);

}  // namespace quillar

#endif  // QUILLAR_RFC_NWRFC_SUPPORT_H_
