#pragma once
// Time that moves only when a test moves it: while one of these lives, the
// toolkit's timers and frame pacing run on alarms it rings, so a test can
// step them exactly and without waiting.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "toolkit/time/alarm.h"

class ManualTime {
 public:
  ManualTime() {
    toolkit::SetAlarmFactory([this] { return std::make_unique<ManualAlarm>(*this); });
  }
  ~ManualTime() {
    toolkit::SetAlarmFactory({});
    for (ManualAlarm* alarm : alarms_) alarm->time_ = nullptr;
  }
  ManualTime(const ManualTime&) = delete;
  ManualTime& operator=(const ManualTime&) = delete;

  [[nodiscard]] std::int64_t Now() const { return now_; }

  // Moves time on to `t`, ringing each alarm at its deadline as it comes,
  // in order: a clock woken this way is never late.
  void RunTo(std::int64_t t) {
    while (ManualAlarm* alarm = Earliest(t)) {
      now_ = std::max(now_, alarm->deadline_);
      alarm->Fire();
    }
    now_ = std::max(now_, t);
  }
  void RunFor(std::int64_t ns) { RunTo(now_ + ns); }

  // Jumps to `t` and only then rings each alarm that is due, once: as if
  // the event loop had been busy elsewhere all that while.
  void JumpTo(std::int64_t t) {
    now_ = std::max(now_, t);
    std::vector<ManualAlarm*> due;
    for (ManualAlarm* alarm : alarms_) {
      if (alarm->armed_ && alarm->deadline_ <= now_) due.push_back(alarm);
    }
    for (ManualAlarm* alarm : due) {
      if (std::find(alarms_.begin(), alarms_.end(), alarm) != alarms_.end()) alarm->Fire();
    }
  }

  // The earliest deadline armed, or -1.
  [[nodiscard]] std::int64_t NextDeadline() const {
    std::int64_t next = -1;
    for (const ManualAlarm* alarm : alarms_) {
      if (alarm->armed_ && (next < 0 || alarm->deadline_ < next)) next = alarm->deadline_;
    }
    return next;
  }

 private:
  class ManualAlarm final : public toolkit::Alarm {
   public:
    explicit ManualAlarm(ManualTime& time) : time_(&time) { time.alarms_.push_back(this); }
    ~ManualAlarm() override {
      if (time_ != nullptr) std::erase(time_->alarms_, this);
    }
    ManualAlarm(const ManualAlarm&) = delete;
    ManualAlarm& operator=(const ManualAlarm&) = delete;

    [[nodiscard]] std::int64_t Now() const override { return time_ != nullptr ? time_->now_ : 0; }
    void Set(std::int64_t deadline_ns) override { SetRepeating(deadline_ns, 0); }
    void SetRepeating(std::int64_t first_ns, std::int64_t period_ns) override {
      deadline_ = first_ns;
      period_ = period_ns;
      armed_ = true;
    }
    void Cancel() override { armed_ = false; }

    void Fire() {
      if (period_ > 0) {
        deadline_ = toolkit::NextOnGrid(deadline_, period_, Now());
      } else {
        armed_ = false;
      }
      Ring();  // may destroy this alarm
    }

    ManualTime* time_;
    std::int64_t deadline_ = 0;
    std::int64_t period_ = 0;
    bool armed_ = false;
  };

  ManualAlarm* Earliest(std::int64_t t) const {
    ManualAlarm* earliest = nullptr;
    for (ManualAlarm* alarm : alarms_) {
      if (alarm->armed_ && alarm->deadline_ <= t &&
          (earliest == nullptr || alarm->deadline_ < earliest->deadline_)) {
        earliest = alarm;
      }
    }
    return earliest;
  }

  std::int64_t now_ = 1'000'000'000;
  std::vector<ManualAlarm*> alarms_;
};
