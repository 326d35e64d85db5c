#include "toolkit/timer.h"

#include <utility>

#ifdef BLARGO_COUNTERS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#endif

#include "toolkit/error_report.h"
#include "toolkit/timer_clock.h"

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

Timer::Timer(int interval_ms, std::string name)
    : name_(std::move(name)), clock_(&TimerClock::For(interval_ms)) {
  clock_->Add(this);
}

// Builds with counters (for benchmarks and the soak) count the ticks the
// event loop delivers and, when the timer goes, append a line
// "timer NAME TICKS FIRST_NS LAST_NS LONGEST_GAP_NS" to $BLARGO_COUNTER_LOG.
Timer::~Timer() {
#ifdef BLARGO_COUNTERS
  if (const char* path = std::getenv("BLARGO_COUNTER_LOG")) {
    if (std::FILE* log = std::fopen(path, "a")) {
      std::fprintf(log, "timer %s %lld %lld %lld %lld\n", name_.c_str(),
                   static_cast<long long>(ticks_), static_cast<long long>(first_tick_ns_),
                   static_cast<long long>(last_tick_ns_), static_cast<long long>(longest_gap_ns_));
      std::fclose(log);
    }
  }
#endif
  clock_->Remove(this);
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
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    clock_->Enable(this);
  } else {
    clock_->Disable();
  }
}

bool Timer::Enabled() const { return enabled_; }

int Timer::Interval() const { return clock_->Interval(); }

bool Timer::FireTick() {
  if (!enabled_) return false;
  RunHandler(tick_);
  return true;
}

}  // namespace toolkit
