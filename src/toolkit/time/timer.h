#pragma once

#include <cstdint>
#include <functional>

namespace toolkit {

class TimerClock;

// A periodic timer on the GUI thread. Ticks never interrupt another handler.
// Timers of the same interval tick on one shared clock, in the order they
// were made.
class Timer {
 public:
  explicit Timer(int interval_ms);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void OnTick(std::function<void()> handler);

  // Enabling starts ticks every interval, disabling stops them; setting the
  // state the timer already has changes nothing.
  void SetEnabled(bool enabled);
  [[nodiscard]] bool Enabled() const;

 private:
  friend class TimerClock;

  void Tick();

  TimerClock* clock_;
  bool enabled_ = false;
  std::uint64_t enabled_at_pulse_ = 0;
  std::function<void()> tick_;
};

}  // namespace toolkit
