// The capacities of the names and texts that the sensor stores. The code that
// enforces a capacity and the error texts that name it, or cut a value to it,
// read the same constant.
#ifndef QUILLAR_BASE_CAPACITIES_H_
#define QUILLAR_BASE_CAPACITIES_H_

#include <cstddef>

namespace quillar {

// A profile's file name, without its folder. A longer one is refused, since
// cutting it would change which file the run uses.
inline constexpr std::size_t kProfileNameRoom = 63;
// The folder of the profiles, likewise refused when longer.
inline constexpr std::size_t kSensorDirectoryRoom = 95;
// An option string; a longer one is refused where it is read, since its cut
// would change the run.
inline constexpr std::size_t kOptionsRoom = 127;
// An exception name as the library hands it over; longer ones are cut.
inline constexpr std::size_t kExceptionNameRoom = 255;

}  // namespace quillar

#endif  // QUILLAR_BASE_CAPACITIES_H_
