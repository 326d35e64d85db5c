#pragma once

#include <cstdint>

// Mixer levels run at 660 to the percent point, so 100 % is 66000, the
// mixer's full volume.
inline constexpr std::int32_t kLevelPerPercent = 660;
