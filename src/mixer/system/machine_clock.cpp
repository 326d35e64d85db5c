#include "mixer/system/clock.h"

namespace mixer {

namespace {

class SteadyClock final : public Clock {
 public:
  [[nodiscard]] TimePoint Now() const override { return std::chrono::steady_clock::now(); }

  void WaitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                 TimePoint deadline) override {
    if (deadline == TimePoint::max()) {
      wake.wait(lock);
    } else {
      wake.wait_until(lock, deadline);
    }
  }
};

}  // namespace

std::shared_ptr<Clock> MachineClock() { return std::make_shared<SteadyClock>(); }

}  // namespace mixer
