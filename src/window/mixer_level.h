#pragma once

#include <cstdint>

// Mixer levels run at 660 to the percent point, so 100 % is 66000: a little
// past the mixer's 65535, which it takes as full volume.
inline constexpr std::int32_t kLevelPerPercent = 660;
