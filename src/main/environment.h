#pragma once

#include "mixer/system/system_mixer.h"
#include "toolkit/time/time_environment.h"

// Everything the program takes from outside its own code that a test or a
// measuring build may put something else in place of: the alarms its timers
// and pacing wake on, and where the volume levels go.
// The defaults are the machine's own.
//
// Installed once, at the entry, before anything runs: every part is read
// from there on, so a clock made or a level written before a stand-in was in
// place cannot happen, and no layer has a rule of its own about when it may
// be changed. Only here do the toolkit's and the mixer's parts meet.
struct Environment {
  toolkit::TimeEnvironment time;
  mixer::MixerEnvironment mixer;
};

// Installs each part that its layer has not fixed yet. False when a part was
// refused, because it was installed already or its layer already in use: that
// layer goes on as it was, the machine's own unless installed before.
[[nodiscard]] bool InstallEnvironment(Environment environment);
