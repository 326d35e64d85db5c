#pragma once

#include "toolkit/time/timer.h"

// A toolkit timer, enabled from the start, that counts the ticks it is given.
struct CountingTimer {
  explicit CountingTimer(int interval_ms) : timer(interval_ms) {
    timer.OnTick([this] { ++ticks; });
    timer.SetEnabled(true);
  }

  toolkit::Timer timer;
  int ticks = 0;
};
