// The version of this build, as the release archive is named.
#ifndef QUILLAR_DRIVER_VERSION_H_
#define QUILLAR_DRIVER_VERSION_H_

namespace quillar {

// What git described the source tree as when it was built, or the VERSION
// file's text where there was no git.
const char* build_version();

}  // namespace quillar

#endif  // QUILLAR_DRIVER_VERSION_H_
