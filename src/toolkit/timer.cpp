#include "toolkit/timer.h"

#include <QTimer>

#ifdef BLARGO_COUNTERS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#endif

#include "toolkit/error_report.h"

namespace toolkit {

#ifdef BLARGO_COUNTERS
namespace {
std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace
#endif

Timer::Timer(int interval_ms, const std::string& name) : timer_(new QTimer) {
  timer_->setObjectName(QString::fromStdString(name));
  // A coarse timer may be slack by 5 %, or be rounded to whole milliseconds
  // late; a precise one comes as often as the platform can deliver.
  timer_->setTimerType(Qt::PreciseTimer);
  timer_->setInterval(interval_ms);
  QObject::connect(timer_, &QTimer::timeout, [this] { Tick(); });
}

// Builds with counters (for benchmarks and the soak) count the ticks the
// event loop delivers and, when the timer goes, append a line
// "timer NAME TICKS FIRST_NS LAST_NS LONGEST_GAP_NS" to $BLARGO_COUNTER_LOG.
Timer::~Timer() {
#ifdef BLARGO_COUNTERS
  if (const char* path = std::getenv("BLARGO_COUNTER_LOG")) {
    if (std::FILE* log = std::fopen(path, "a")) {
      std::fprintf(log, "timer %s %lld %lld %lld %lld\n", timer_->objectName().toUtf8().constData(),
                   static_cast<long long>(ticks_), static_cast<long long>(first_tick_ns_),
                   static_cast<long long>(last_tick_ns_), static_cast<long long>(longest_gap_ns_));
      std::fclose(log);
    }
  }
#endif
  delete timer_;
}

void Timer::Tick() {
#ifdef BLARGO_COUNTERS
  const std::int64_t now = NowNs();
  if (ticks_++ == 0) {
    first_tick_ns_ = now;
  } else if (now - last_tick_ns_ > longest_gap_ns_) {
    longest_gap_ns_ = now - last_tick_ns_;
  }
  last_tick_ns_ = now;
#endif
  RunHandler(tick_);
}

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
