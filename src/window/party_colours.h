#pragma once

#include "toolkit/presentation/colour.h"

inline constexpr toolkit::Colour kBlack = 0x00000000;
inline constexpr toolkit::Colour kRed = 0x000000FF;
inline constexpr toolkit::Colour kYellow = 0x0000FFFF;
inline constexpr toolkit::Colour kGreen = 0x0000FF00;
inline constexpr toolkit::Colour kCyan = 0x00FFFF00;
inline constexpr toolkit::Colour kBlue = 0x00FF0000;
