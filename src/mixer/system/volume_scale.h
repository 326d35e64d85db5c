#pragma once

#include <cstdint>

namespace mixer {

// The platform's volume scale: 0 is silence, kFullVolume is full volume.
inline constexpr std::uint32_t kFullVolume = 65535;

// A value on the 0..kFullVolume scale as a value of minimum..maximum, rounded
// to the nearest step; larger values give the maximum, never more.
long ScaleToRange(std::uint32_t value, long minimum, long maximum);

}  // namespace mixer
