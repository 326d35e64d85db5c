#pragma once

#include <cmath>

// Whether a sink's raw volume is where the level written lands: the level's
// percent (660 to the percent point) of the sink's normal volume, 65536, to
// the nearest step, as every volume display reads it back.
inline bool SinkHoldsLevel(int raw, int level) {
  return raw == std::lround(level / 660.0 * 65536 / 100);
}
