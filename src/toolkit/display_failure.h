#pragma once

#include <string>

namespace toolkit {

// Why the toolkit found no display to open, in one line for the user: which
// display it tried, from the environment it was started in, and where Qt's
// Wayland platform plugin is missing, what to install or set instead.
std::string WhyNoDisplay();

}  // namespace toolkit
