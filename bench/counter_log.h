#pragma once

#include <cstdint>
#include <string>

namespace bench {

// The log the counted builds append their counts to: $BLARGO_COUNTER_LOG, or
// none (nullptr) when it is not set.
const char* CounterLogPath();

// Appends `lines` to the file at `path`; nothing when `path` is nullptr or
// the file cannot be opened (a count is never worth failing the program).
void AppendToLog(const char* path, const std::string& lines);

// Now on the machine's steady clock and on the wall clock, in ns.
std::int64_t SteadyNs();
std::int64_t WallNs();

}  // namespace bench
