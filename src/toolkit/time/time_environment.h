#pragma once

#include "toolkit/time/alarm.h"

namespace toolkit {

// What the toolkit's time takes from outside the toolkit: where alarms come
// from. The program's entry installs it; tests install time they move by
// hand, and the measuring builds alarms that count the timers' ticks.
struct TimeEnvironment {
  // Makes every alarm the timers and the pacing of the window wake on;
  // empty: SystemAlarm().
  AlarmFactory alarms;
};

// Puts `environment` in place for the rest of the process. Once only, and
// before the toolkit first reads it (the first alarm made): clocks made
// before would keep the old alarms. Later it changes nothing and returns
// false, and the toolkit goes on with what it had: the defaults, if nothing
// was installed.
[[nodiscard]] bool InstallTime(TimeEnvironment environment);

// What is installed, or the defaults; from the first call on, fixed.
const TimeEnvironment& InstalledTime();

}  // namespace toolkit
