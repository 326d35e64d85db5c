#pragma once

#include <algorithm>
#include <cstdint>

namespace mixer {

// The stand-in control's scale: 0 is silence, kFullVolume is full volume. Full
// scale is the level of 100 % (660 to the percent point), so each level lands
// on exactly its percent of the system's full volume, the percent every other
// volume display shows for it.
inline constexpr std::uint32_t kFullVolume = 66000;

// A value on the 0..kFullVolume scale as a value of minimum..maximum, rounded
// to the nearest step; larger values give the maximum, never more.
inline long ScaleToRange(std::uint32_t value, long minimum, long maximum) {
  const auto clamped = static_cast<std::int64_t>(std::min(value, kFullVolume));
  const std::int64_t span = static_cast<std::int64_t>(maximum) - minimum;
  return static_cast<long>(minimum + (clamped * span + kFullVolume / 2) / kFullVolume);
}

}  // namespace mixer
