#pragma once

#include <QTimer>
#include <cstdint>
#include <memory>
#include <vector>

namespace toolkit {

class Timer;

// The enabled timers of one interval all tick together, on one Qt timer.
//
// Handing over from one timer to another inside a tick handler (enable the
// other, disable this one) would otherwise start the other on a fresh
// interval, counted from the moment of the hand-over: every hand-over would
// lose whatever the event loop was running late, up to a whole tick. On a
// shared clock the newly enabled timer ticks on the very next pulse.
class TimerClock {
 public:
  // The clock for `interval_ms`, made on first use and gone with its last timer.
  static TimerClock& For(int interval_ms);

  void Add(Timer* timer);
  void Remove(Timer* timer);
  // A timer enabled during a pulse first ticks on the next one.
  void Enable(Timer* timer);
  void Disable(Timer* timer);

  [[nodiscard]] QTimer* Qt() { return &qt_timer_; }
  [[nodiscard]] int Interval() const { return qt_timer_.interval(); }

  explicit TimerClock(int interval_ms);
  TimerClock(const TimerClock&) = delete;
  TimerClock& operator=(const TimerClock&) = delete;
  ~TimerClock() = default;

 private:
  void Pulse();
  [[nodiscard]] bool Registered(const Timer* timer) const;

  QTimer qt_timer_;
  std::vector<Timer*> timers_;  // in the order they were made: the order of their ticks
  std::uint64_t pulse_ = 0;
  int enabled_ = 0;
  bool pulsing_ = false;
};

}  // namespace toolkit
