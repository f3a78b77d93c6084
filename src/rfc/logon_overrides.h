// What the options change of a logon: a plain value, so that the options can
// hold it without knowing the connection code.
#ifndef QUILLAR_RFC_LOGON_OVERRIDES_H_
#define QUILLAR_RFC_LOGON_OVERRIDES_H_

#include <optional>
#include <string>

namespace quillar {

// The application server and system number that the options put in place
// of the profile's, each as typed.
struct LogonOverrides {
  std::optional<std::string> hostname;
  std::optional<std::string> sysnr;
};

}  // namespace quillar

#endif  // QUILLAR_RFC_LOGON_OVERRIDES_H_
