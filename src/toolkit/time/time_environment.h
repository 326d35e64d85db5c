#pragma once

#include <memory>

#include "toolkit/time/alarm.h"
#include "toolkit/time/tick_observer.h"

namespace toolkit {

// What the toolkit's time takes from outside the toolkit: where alarms come
// from, and who watches the timers tick. The program's entry installs it;
// tests install time they move by hand, and the measuring builds a counter.
struct TimeEnvironment {
  // Makes every alarm the timers and the pacing of the window wake on;
  // empty: SystemAlarm().
  AlarmFactory alarms;
  // Told of every tick the event loop delivers (not of ticks a test fires by
  // hand) and of each timer's end, on the GUI thread; kept for the rest of
  // the process. Nobody when empty, and then a tick costs one test of a
  // pointer.
  std::shared_ptr<TickObserver> ticks;
};

// Puts `environment` in place for the rest of the process. Once only, and
// before the toolkit first reads it (the first alarm made or timer gone):
// clocks made before would keep the old alarms and a watcher would miss the
// ticks before it. Later it changes nothing and returns false, and the toolkit
// goes on with what it had: the defaults, if nothing was installed.
[[nodiscard]] bool InstallTime(TimeEnvironment environment);

// What is installed, or the defaults; from the first call on, fixed.
const TimeEnvironment& InstalledTime();

}  // namespace toolkit
