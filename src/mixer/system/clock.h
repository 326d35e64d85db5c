#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace mixer {

// The time the mixer counts its budgets and pacing in. The program runs on
// the machine's steady clock; tests step a clock of their own, so that what
// they check never depends on how busy the machine is.
class Clock {
 public:
  using Duration = std::chrono::steady_clock::duration;
  using TimePoint = std::chrono::steady_clock::time_point;

  virtual ~Clock() = default;

  [[nodiscard]] virtual TimePoint Now() const = 0;

  // Waits on `wake`, whose mutex `lock` holds, until `wake` is notified or
  // this clock reaches `deadline` (TimePoint::max() waits for the
  // notification alone). It may return early, as any condition wait may:
  // callers check their condition and the time again.
  virtual void WaitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                         TimePoint deadline) = 0;
};

// The machine's steady clock. Shared, so that a mixer thread left running at
// exit never outlives the clock it waits on.
std::shared_ptr<Clock> MachineClock();

}  // namespace mixer
