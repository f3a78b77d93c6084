// The one writer of system profiles: what it writes, the reader of
// system_profile.h reads back as it was given.
#ifndef QUILLAR_PROFILES_PROFILE_WRITER_H_
#define QUILLAR_PROFILES_PROFILE_WRITER_H_

#include <optional>
#include <string>
#include <string_view>

#include "profiles/password.h"
#include "profiles/system_profile.h"

namespace quillar {

// A labelled line without line end: the label, a blank in the column that
// separates it from its value, the value from kValueColumn on.
std::string profile_line(const ProfileLabel& label, std::string_view value);

// The profile of `entries`, one line for each label in the order of
// kProfileLabels, each ended by CR LF as Notepad writes it. The password is
// given in plain text and written scrambled; nothing when it cannot be (see
// scramble_password).
std::optional<std::string> profile_text(const LogonEntries& entries, const OffsetTable& table);

// `content` with the value of each of its password lines replaced by
// `password` scrambled, every other byte kept; a profile without a password line gets
// one at its end, with the line end the file uses. Nothing when the password
// cannot be scrambled.
std::optional<std::string> with_password(std::string content, std::string_view password, const OffsetTable& table);

}  // namespace quillar

#endif  // QUILLAR_PROFILES_PROFILE_WRITER_H_
