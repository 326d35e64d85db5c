#pragma once

namespace bench {

// Runs the program's own entry with every timer's ticks counted, and returns
// its exit status. Each timer's line reaches the counter log as it goes.
int RunWithTicksCounted(int argc, char* argv[]);

}  // namespace bench
