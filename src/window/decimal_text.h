#pragma once

#include <string>

// Numbers as the window keeps them in text (the ramp's position): the
// shortest decimal text that reads back as the same double, with no leading
// space or trailing zeros.
std::string NumberText(double value);
// The number a text starts with; 0 when it starts with none.
double TextValue(const std::string& text);
