#pragma once

#include <cstdint>

namespace toolkit {

// A colour as 0x00BBGGRR. With the top bit set, the low byte names a system
// colour of the desktop instead.
using Colour = std::uint32_t;

inline constexpr Colour kSystemColourFlag = 0x80000000U;
inline constexpr Colour kTitleBarText = 0x80000009U;
inline constexpr Colour kHighlightText = 0x8000000EU;

}  // namespace toolkit
