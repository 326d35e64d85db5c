#pragma once

#include <functional>
#include <memory>

#include "mixer/system/level_output.h"
#include "process/environment_change.h"

namespace mixer {

// What the mixer takes from outside: where the levels go. The program's entry
// installs it; tests install a recording stand-in, the measuring builds a
// counting one.
struct MixerEnvironment {
  // Makes, at the first write, where the levels go; empty (or making
  // nothing): the system's master output on a mixer thread of its own.
  std::function<std::unique_ptr<LevelOutput>()> output;
};

// Puts `environment` in place for the rest of the process. Once only, and
// before the first write: the levels written before went to the system's
// mixer, whose thread runs on. Later it changes nothing and returns false.
[[nodiscard]] bool InstallMixer(MixerEnvironment environment);

// What the system mixer wants in the process's environment before any
// thread starts (its libraries read it from the mixer thread).
process::EnvironmentChanges SystemMixerEnvironment();

// Where device 0, control 0's levels go, made on first use and gone at exit
// (a mixer thread stops within its bound).
LevelOutput& SystemMixer();

}  // namespace mixer
