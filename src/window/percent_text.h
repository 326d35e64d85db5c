#pragma once

#include <cstdint>
#include <string>

// The label text for a mixer level: its percentage written as decimal text,
// read back, written again, and "%".
std::string PercentText(std::int32_t level);
