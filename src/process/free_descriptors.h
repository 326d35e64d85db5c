#pragma once

#include <cstddef>

namespace process {

// How many more descriptors the process may open before its limit
// (RLIMIT_NOFILE) refuses one: the free numbers below the limit. Counted
// without opening any, since while the process is at its limit a descriptor
// taken even for a moment may be the one another thread needed. Without a
// limit, or with one too high to count, kPlenty.
std::size_t FreeDescriptors();

inline constexpr std::size_t kPlenty = 4096;

}  // namespace process
