#include "toolkit/timer_clock.h"

#include <algorithm>
#include <map>

#include "toolkit/timer.h"

namespace toolkit {

namespace {

std::map<int, std::unique_ptr<TimerClock>>& Clocks() {
  static std::map<int, std::unique_ptr<TimerClock>> clocks;
  return clocks;
}

}  // namespace

TimerClock& TimerClock::For(int interval_ms) {
  auto& clock = Clocks()[interval_ms];
  if (!clock) clock = std::make_unique<TimerClock>(interval_ms);
  return *clock;
}

TimerClock::TimerClock(int interval_ms) {
  // A coarse timer may be slack by 5 %, or be rounded to whole milliseconds
  // late; a precise one comes as often as the platform can deliver.
  qt_timer_.setTimerType(Qt::PreciseTimer);
  qt_timer_.setInterval(interval_ms);
  QObject::connect(&qt_timer_, &QTimer::timeout, [this] { Pulse(); });
}

void TimerClock::Add(Timer* timer) { timers_.push_back(timer); }

void TimerClock::Remove(Timer* timer) {
  if (timer->Enabled()) Disable(timer);
  std::erase(timers_, timer);
  // Destroys this clock; while it pulses, Pulse does it when done.
  if (timers_.empty() && !pulsing_) Clocks().erase(Interval());
}

void TimerClock::Enable(Timer* timer) {
  timer->enabled_at_pulse_ = pulse_;
  if (enabled_++ == 0) qt_timer_.start();
}

void TimerClock::Disable(Timer* /*timer*/) {
  if (--enabled_ == 0) qt_timer_.stop();
}

bool TimerClock::Registered(const Timer* timer) const {
  return std::find(timers_.begin(), timers_.end(), timer) != timers_.end();
}

void TimerClock::Pulse() {
  const std::uint64_t pulse = ++pulse_;
  // A handler may enable, disable or even destroy timers: go by a copy, and
  // skip any that is gone or was enabled during this pulse.
  const std::vector<Timer*> timers = timers_;
  pulsing_ = true;
  for (Timer* timer : timers) {
    if (!Registered(timer) || !timer->Enabled() || timer->enabled_at_pulse_ >= pulse) continue;
    timer->Tick();
  }
  pulsing_ = false;
  if (timers_.empty()) Clocks().erase(Interval());  // destroys this clock
}

}  // namespace toolkit
