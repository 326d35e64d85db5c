#include "mixer/system/volume_scale.h"

#include <algorithm>

namespace mixer {

long ScaleToRange(std::uint32_t value, long minimum, long maximum) {
  const auto clamped = static_cast<std::int64_t>(std::min(value, kFullVolume));
  const std::int64_t span = static_cast<std::int64_t>(maximum) - minimum;
  return static_cast<long>(minimum + (clamped * span + kFullVolume / 2) / kFullVolume);
}

}  // namespace mixer
