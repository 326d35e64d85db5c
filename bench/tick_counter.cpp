#include "bench/tick_counter.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "bench/counter_log.h"

namespace bench {

namespace {

class CountingAlarm final : public toolkit::Alarm {
 public:
  CountingAlarm(std::unique_ptr<toolkit::Alarm> alarm, std::optional<std::string> log_path)
      : alarm_(std::move(alarm)), log_path_(std::move(log_path)) {
    alarm_->OnRing([this] {
      if (period_ > toolkit::Duration::zero()) Count();
      Ring();  // may destroy this alarm: nothing after it
    });
  }
  ~CountingAlarm() override {
    if (period_ == toolkit::Duration::zero()) return;  // never a timer's clock
    const auto interval = std::chrono::duration_cast<std::chrono::milliseconds>(period_);
    AppendToLog(log_path_ ? log_path_->c_str() : nullptr,
                "clock " + std::to_string(interval.count()) + " " + std::to_string(pulses_) + " " +
                    std::to_string(first_ns_) + " " + std::to_string(last_ns_) + " " +
                    std::to_string(longest_gap_ns_) + "\n");
  }
  CountingAlarm(const CountingAlarm&) = delete;
  CountingAlarm& operator=(const CountingAlarm&) = delete;

  [[nodiscard]] toolkit::TimePoint Now() const override { return alarm_->Now(); }
  void Set(toolkit::TimePoint deadline) override { alarm_->Set(deadline); }
  void SetRepeating(toolkit::TimePoint first, toolkit::Duration period) override {
    period_ = period;
    alarm_->SetRepeating(first, period);
  }
  void Cancel() override { alarm_->Cancel(); }

 private:
  void Count() {
    const std::int64_t now = SteadyNs();
    if (pulses_++ == 0) {
      first_ns_ = now;
    } else if (now - last_ns_ > longest_gap_ns_) {
      longest_gap_ns_ = now - last_ns_;
    }
    last_ns_ = now;
  }

  std::unique_ptr<toolkit::Alarm> alarm_;
  std::optional<std::string> log_path_;
  toolkit::Duration period_{};  // zero until set repeating
  std::int64_t pulses_ = 0;
  std::int64_t first_ns_ = 0;
  std::int64_t last_ns_ = 0;
  std::int64_t longest_gap_ns_ = 0;
};

}  // namespace

toolkit::AlarmFactory CountingAlarms(const char* log_path) {
  std::optional<std::string> path;
  if (log_path != nullptr) path = log_path;
  return [path] { return std::make_unique<CountingAlarm>(toolkit::SystemAlarm(), path); };
}

}  // namespace bench
