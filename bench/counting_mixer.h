#pragma once

#include "mixer/system/system_mixer.h"

namespace bench {

// A mixer stand-in for the in-process benchmarks: it takes every write and
// only keeps the value, so what is measured is the program's own work.
mixer::MixerEnvironment CountingMixer();

}  // namespace bench
