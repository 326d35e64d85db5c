#include "toolkit/time/timer.h"

#include <utility>

#include "toolkit/application/error_report.h"
#include "toolkit/time/timer_clock.h"

namespace toolkit {

Timer::Timer(int interval_ms) : clock_(&TimerClock::For(interval_ms)) { clock_->Add(this); }

Timer::~Timer() { clock_->Remove(this); }

void Timer::Tick() { RunHandler(tick_); }

void Timer::OnTick(std::function<void()> handler) { tick_ = std::move(handler); }

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    clock_->Enable(this);
  } else {
    clock_->Disable();
  }
}

bool Timer::Enabled() const { return enabled_; }

}  // namespace toolkit
