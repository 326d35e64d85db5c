#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "toolkit/time/alarm.h"

namespace toolkit {

class Timer;

// The enabled timers of one interval all tick together, on one clock.
//
// Handing over from one timer to another inside a tick handler (enable the
// other, disable this one) would otherwise start the other on a fresh
// interval, counted from the moment of the hand-over: every hand-over would
// lose whatever the event loop was running late, up to a whole tick. On a
// shared clock the newly enabled timer ticks on the very next pulse.
//
// The clock keeps its phase: pulses fall on a fixed grid of intervals from
// the moment it started, so a pulse that comes late does not push the later
// ones back. One that comes more than an interval late is still one pulse,
// as a platform timer never queues ticks: the pulses missed are dropped.
class TimerClock {
 public:
  // The clock for `interval_ms`, made on first use and gone with its last timer.
  static TimerClock& For(int interval_ms);

  void Add(Timer* timer);
  void Remove(Timer* timer);
  // A timer enabled during a pulse first ticks on the next one.
  void Enable(Timer* timer);
  void Disable();

  [[nodiscard]] int Interval() const { return interval_ms_; }

  TimerClock(int interval_ms, std::unique_ptr<Alarm> alarm);
  TimerClock(const TimerClock&) = delete;
  TimerClock& operator=(const TimerClock&) = delete;
  ~TimerClock() = default;

 private:
  void Ring();
  void Pulse();
  [[nodiscard]] bool Registered(const Timer* timer) const;

  int interval_ms_;
  Duration period_;
  std::unique_ptr<Alarm> alarm_;
  TimePoint next_pulse_;
  std::vector<Timer*> timers_;  // in the order they were made: the order of their ticks
  std::uint64_t pulse_ = 0;
  int enabled_ = 0;
  bool pulsing_ = false;
};

}  // namespace toolkit
