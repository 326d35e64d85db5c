#pragma once

#include <cstdint>

namespace mixer {

// The stand-in control's scale: 0 is silence, kFullVolume is full volume. Full
// scale is the level of 100 % (660 to the percent point), so each level lands
// on exactly its percent of the system's full volume, the percent every other
// volume display shows for it.
inline constexpr std::uint32_t kFullVolume = 66000;

// A value on the 0..kFullVolume scale as a value of minimum..maximum, rounded
// to the nearest step; larger values give the maximum, never more.
long ScaleToRange(std::uint32_t value, long minimum, long maximum);

}  // namespace mixer
