#pragma once

#include <cstdint>
#include <string>

// Numbers as the window shows and keeps them: the shortest decimal text that
// reads back as the same double, with no leading space or trailing zeros.
std::string NumberText(double value);
// The number a text starts with; 0 when it starts with none.
double TextValue(const std::string& text);

// The label text for a mixer level: its percentage (level / 660) and "%".
std::string PercentText(std::int32_t level);

// Mixer levels run at 660 to the percent point: 100 % is 66000.
inline constexpr std::int32_t kLevelPerPercent = 660;
