#pragma once

#include "mixer/system/system_mixer.h"

namespace bench {

// Runs the program's own entry with its timers' ticks counted and the levels
// going where `mixer` says, and returns its exit status. Each timer clock's
// line reaches the counter log as it goes.
int RunWithTicksCounted(int argc, char* argv[], mixer::MixerEnvironment mixer);

}  // namespace bench
