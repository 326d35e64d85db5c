#include "toolkit/timer.h"

#include <QTimer>

#include "toolkit/error_report.h"

namespace toolkit {

Timer::Timer(int interval_ms) : timer_(new QTimer) {
  // A coarse timer may be slack by 5 %, or be rounded to whole milliseconds
  // late; a precise one comes as often as the platform can deliver.
  timer_->setTimerType(Qt::PreciseTimer);
  timer_->setInterval(interval_ms);
  QObject::connect(timer_, &QTimer::timeout, [this] { RunHandler(tick_); });
}

Timer::~Timer() { delete timer_; }

void Timer::OnTick(std::function<void()> handler) { tick_ = std::move(handler); }

void Timer::SetEnabled(bool enabled) {
  if (enabled == timer_->isActive()) return;
  if (enabled) {
    timer_->start();
  } else {
    timer_->stop();
  }
}

bool Timer::Enabled() const { return timer_->isActive(); }

int Timer::Interval() const { return timer_->interval(); }

bool Timer::FireTick() {
  if (!timer_->isActive()) return false;
  RunHandler(tick_);
  return true;
}

}  // namespace toolkit
