#include "toolkit/time/timer_clock.h"

#include <algorithm>
#include <map>

#include "toolkit/time/timer.h"

namespace toolkit {

namespace {

std::map<int, std::unique_ptr<TimerClock>>& Clocks() {
  static std::map<int, std::unique_ptr<TimerClock>> clocks;
  return clocks;
}

}  // namespace

TimerClock& TimerClock::For(int interval_ms) {
  auto& clock = Clocks()[interval_ms];
  if (!clock) clock = std::make_unique<TimerClock>(interval_ms, MakeAlarm());
  return *clock;
}

TimerClock::TimerClock(int interval_ms, std::unique_ptr<Alarm> alarm)
    : interval_ms_(interval_ms),
      period_(std::chrono::milliseconds(std::max(interval_ms, 1))),
      alarm_(std::move(alarm)) {
  alarm_->OnRing([this] { Ring(); });
}

void TimerClock::Add(Timer* timer) { timers_.push_back(timer); }

void TimerClock::Remove(Timer* timer) {
  if (timer->Enabled()) Disable();
  std::erase(timers_, timer);
  // Destroys this clock; while it pulses, Pulse does it when done.
  if (timers_.empty() && !pulsing_) Clocks().erase(Interval());
}

void TimerClock::Enable(Timer* timer) {
  timer->enabled_at_pulse_ = pulse_;
  if (enabled_++ == 0) {
    next_pulse_ = alarm_->Now() + period_;
    alarm_->SetRepeating(next_pulse_, period_);
  }
}

void TimerClock::Disable() {
  if (--enabled_ == 0) alarm_->Cancel();
}

bool TimerClock::Registered(const Timer* timer) const {
  return std::find(timers_.begin(), timers_.end(), timer) != timers_.end();
}

void TimerClock::Ring() {
  if (enabled_ == 0) return;
  const TimePoint now = alarm_->Now();
  // Woken early, the alarm still rings on the grid: wait for it.
  if (now < next_pulse_) return;
  // The alarm keeps the same grid and has moved on past the points missed.
  next_pulse_ = NextOnGrid(next_pulse_, period_, now);
  Pulse();  // may destroy this clock
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
