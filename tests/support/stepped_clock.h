#pragma once
// Time that moves only when the test moves it, for both layers: the mixer
// waits on one as its clock, and while one lives (the newest, if several do)
// the toolkit's timers and frame pacing run on alarms it rings. So budgets,
// pacing and ticks are checked exactly, without sleeping and without racing
// the machine's load. With none alive the toolkit runs on the system's clock.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "mixer/system/clock.h"
#include "toolkit/time/alarm.h"
#include "toolkit/time/time_environment.h"

class SteppedClock final : public mixer::Clock {
 public:
  SteppedClock() {
    static_cast<void>(installed_);  // so that the program installs it before main()
    const std::lock_guard lock(LiveMutex());
    Live().push_back(this);
  }
  ~SteppedClock() override {
    {
      const std::lock_guard lock(LiveMutex());
      std::erase(Live(), this);
    }
    for (ManualAlarm* alarm : alarms_) {
      alarm->now_ = now_;
      alarm->time_ = nullptr;
    }
  }
  SteppedClock(const SteppedClock&) = delete;
  SteppedClock& operator=(const SteppedClock&) = delete;

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

  // Moves time on by `step`: see RunTo.
  void Advance(Duration step) { RunTo(Now() + step); }

  // Moves time on to `t`, ringing each alarm at its deadline as it comes,
  // in order (a clock woken this way is never late), and wakes every waiter
  // to look at the time.
  void RunTo(TimePoint t) {
    while (ManualAlarm* alarm = Earliest(t)) {
      MoveTo(alarm->deadline_);
      alarm->Fire();
    }
    MoveTo(t);
  }

  // Jumps to `t` and only then rings each alarm that is due, once: as if
  // the event loop had been busy elsewhere all that while.
  void JumpTo(TimePoint t) {
    MoveTo(t);
    const TimePoint now = Now();
    std::vector<ManualAlarm*> due;
    for (ManualAlarm* alarm : alarms_) {
      if (alarm->armed_ && alarm->deadline_ <= now) due.push_back(alarm);
    }
    for (ManualAlarm* alarm : due) {
      if (std::find(alarms_.begin(), alarms_.end(), alarm) != alarms_.end()) alarm->Fire();
    }
  }

  // The earliest deadline an alarm is armed for, if any.
  [[nodiscard]] std::optional<TimePoint> NextDeadline() const {
    std::optional<TimePoint> next;
    for (const ManualAlarm* alarm : alarms_) {
      if (alarm->armed_ && (!next || alarm->deadline_ < *next)) next = alarm->deadline_;
    }
    return next;
  }

  // How many waits with a deadline have begun: a call that returns with
  // this unchanged did not wait for the clock.
  [[nodiscard]] int TimedWaits() const {
    const std::lock_guard lock(mutex_);
    return timed_waits_;
  }

 private:
  // Rung on the GUI thread, as the event loop rings the system's.
  class ManualAlarm final : public toolkit::Alarm {
   public:
    explicit ManualAlarm(SteppedClock& time) : time_(&time) { time.alarms_.push_back(this); }
    ~ManualAlarm() override {
      if (time_ != nullptr) std::erase(time_->alarms_, this);
    }
    ManualAlarm(const ManualAlarm&) = delete;
    ManualAlarm& operator=(const ManualAlarm&) = delete;

    // Time stands still for an alarm that outlived its clock.
    [[nodiscard]] TimePoint Now() const override { return time_ != nullptr ? time_->Now() : now_; }
    void Set(TimePoint deadline) override { SetRepeating(deadline, Duration::zero()); }
    void SetRepeating(TimePoint first, Duration period) override {
      deadline_ = first;
      period_ = period;
      armed_ = true;
    }
    void Cancel() override { armed_ = false; }

    void Fire() {
      if (period_ > Duration::zero()) {
        deadline_ = toolkit::NextOnGrid(deadline_, period_, Now());
      } else {
        armed_ = false;
      }
      Ring();  // may destroy this alarm
    }

    SteppedClock* time_;
    TimePoint now_;  // where time stood when the clock went
    TimePoint deadline_;
    Duration period_{};
    bool armed_ = false;
  };

  // Installed once, before main(), for the whole test program: the toolkit
  // asks it for every alarm, and it hands out the newest live clock's.
  static std::unique_ptr<toolkit::Alarm> MakeAlarm() {
    const std::lock_guard lock(LiveMutex());
    if (Live().empty()) return toolkit::SystemAlarm();
    return std::make_unique<ManualAlarm>(*Live().back());
  }
  static bool Install() {
    if (toolkit::InstallTime({&SteppedClock::MakeAlarm})) return true;
    std::fputs("stepped clock: the toolkit's time was in place already\n", stderr);
    std::abort();
  }
  static inline const bool installed_ = Install();

  static std::vector<SteppedClock*>& Live() {
    static std::vector<SteppedClock*> live;
    return live;
  }
  static std::mutex& LiveMutex() {
    static std::mutex mutex;
    return mutex;
  }

  void MoveTo(TimePoint t) {
    std::vector<std::pair<std::condition_variable*, std::mutex*>> waiters;
    {
      const std::lock_guard lock(mutex_);
      now_ = std::max(now_, t);
      waiters = waiters_;
    }
    for (auto [wake, waiter_mutex] : waiters) {
      // Taking the waiter's mutex means it is either still before its check
      // of the time (and sees the new one) or waiting (and gets the notice).
      { const std::lock_guard lock(*waiter_mutex); }
      wake->notify_all();
    }
  }

  [[nodiscard]] ManualAlarm* Earliest(TimePoint t) const {
    ManualAlarm* earliest = nullptr;
    for (ManualAlarm* alarm : alarms_) {
      if (alarm->armed_ && alarm->deadline_ <= t &&
          (earliest == nullptr || alarm->deadline_ < earliest->deadline_)) {
        earliest = alarm;
      }
    }
    return earliest;
  }

  mutable std::mutex mutex_;
  TimePoint now_{std::chrono::hours(1)};
  std::vector<std::pair<std::condition_variable*, std::mutex*>> waiters_;
  int timed_waits_ = 0;
  std::vector<ManualAlarm*> alarms_;  // touched on the GUI thread alone
};
