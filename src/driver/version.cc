#include "driver/version.h"

#ifndef QUILLAR_VERSION
#define QUILLAR_VERSION "unknown"
#endif

namespace quillar {

const char* build_version() { return QUILLAR_VERSION; }

}  // namespace quillar
