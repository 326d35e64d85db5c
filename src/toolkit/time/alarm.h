#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace toolkit {

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

  // Nanoseconds on the monotonic clock.
  [[nodiscard]] virtual std::int64_t Now() const = 0;
  // Rings once at `deadline_ns`, or as soon as it can if that has passed;
  // replaces any deadline set before.
  virtual void Set(std::int64_t deadline_ns) = 0;
  // Rings at `first_ns` and then every `period_ns` after it, on that grid,
  // until set again or cancelled. A ring that comes more than a period late
  // stands for all the points it missed: the alarm rings once, and goes on
  // at the next point of the grid.
  virtual void SetRepeating(std::int64_t first_ns, std::int64_t period_ns) = 0;
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

// The first point of the grid through `point_ns` with `period_ns` between
// points that lies after `now_ns`; `point_ns` itself while it is still ahead.
std::int64_t NextOnGrid(std::int64_t point_ns, std::int64_t period_ns, std::int64_t now_ns);

using AlarmFactory = std::function<std::unique_ptr<Alarm>()>;

// An alarm on the system's monotonic clock, or from the factory a test put
// in place.
std::unique_ptr<Alarm> MakeAlarm();
// For tests: alarms made from now on come from `factory`; an empty one
// brings back the system's.
void SetAlarmFactory(AlarmFactory factory);

}  // namespace toolkit
