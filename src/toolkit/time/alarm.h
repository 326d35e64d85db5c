#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace toolkit {

// The toolkit's time: the machine's monotonic clock, as the mixer counts it too.
using TimePoint = std::chrono::steady_clock::time_point;
using Duration = std::chrono::steady_clock::duration;

// A wake-up at an absolute time on the monotonic clock, rung on the GUI
// thread by the event loop. The toolkit's clocks keep their own schedules and
// ask an alarm only for the next wake-up, so that a test can run them on time
// of its own making.
class Alarm {
 public:
  Alarm() = default;
  virtual ~Alarm() = default;
  Alarm(const Alarm&) = delete;
  Alarm& operator=(const Alarm&) = delete;

  [[nodiscard]] virtual TimePoint Now() const = 0;
  // Rings once at `deadline`, or as soon as it can if that has passed;
  // replaces any deadline set before.
  virtual void Set(TimePoint deadline) = 0;
  // Rings at `first` and then every `period` after it, on that grid, until
  // set again or cancelled. A ring that comes more than a period late stands
  // for all the points it missed: the alarm rings once, and goes on at the
  // next point of the grid.
  virtual void SetRepeating(TimePoint first, Duration period) = 0;
  virtual void Cancel() = 0;

  // The handler may destroy the alarm.
  void OnRing(std::function<void()> handler) { ring_ = std::move(handler); }

 protected:
  void Ring() const {
    if (ring_) ring_();
  }

 private:
  std::function<void()> ring_;
};

// The first point of the grid through `point` with `period` between points
// that lies after `now`; `point` itself while it is still ahead.
constexpr TimePoint NextOnGrid(TimePoint point, Duration period, TimePoint now) {
  if (now < point) return point;
  return point + ((now - point) / period + 1) * period;
}

using AlarmFactory = std::function<std::unique_ptr<Alarm>()>;

std::unique_ptr<Alarm> SystemAlarm();
// An alarm from the installed time environment: the system's unless one
// was put in its place (time_environment.h).
std::unique_ptr<Alarm> MakeAlarm();

}  // namespace toolkit
