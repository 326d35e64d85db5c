#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "mixer/system/clock.h"

// A clock that moves only when the test steps it. A wait with a deadline
// returns when the test steps past that deadline (or on a notification), so
// budgets and pacing are checked without sleeping and without racing the
// machine's load.
class SteppedClock final : public mixer::Clock {
 public:
  [[nodiscard]] TimePoint Now() const override {
    const std::lock_guard lock(mutex_);
    return now_;
  }

  void WaitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                 TimePoint deadline) override {
    {
      const std::lock_guard guard(mutex_);
      if (now_ >= deadline) return;
      if (deadline != TimePoint::max()) ++timed_waits_;
      waiters_.emplace_back(&wake, lock.mutex());
    }
    wake.wait(lock);
    const std::lock_guard guard(mutex_);
    waiters_.erase(std::find(waiters_.begin(), waiters_.end(), std::pair(&wake, lock.mutex())));
  }

  // Moves the time on and wakes every waiter to look at it.
  void Advance(Duration step) {
    std::vector<std::pair<std::condition_variable*, std::mutex*>> waiters;
    {
      const std::lock_guard lock(mutex_);
      now_ += step;
      waiters = waiters_;
    }
    for (auto [wake, waiter_mutex] : waiters) {
      // Taking the waiter's mutex means it is either still before its check
      // of the time (and sees the new one) or waiting (and gets the notice).
      { const std::lock_guard lock(*waiter_mutex); }
      wake->notify_all();
    }
  }

  // How many waits with a deadline have begun: a call that returns with
  // this unchanged did not wait for the clock.
  [[nodiscard]] int TimedWaits() const {
    const std::lock_guard lock(mutex_);
    return timed_waits_;
  }

 private:
  mutable std::mutex mutex_;
  TimePoint now_{std::chrono::hours(1)};
  std::vector<std::pair<std::condition_variable*, std::mutex*>> waiters_;
  int timed_waits_ = 0;
};
