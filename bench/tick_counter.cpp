#include "bench/tick_counter.h"

#include <utility>

#include "toolkit/time/timer.h"

namespace bench {

TickCounter::TickCounter(const char* log_path, std::function<std::int64_t()> now_ns)
    : log_path_(log_path != nullptr ? std::optional<std::string>(log_path) : std::nullopt),
      now_ns_(std::move(now_ns)) {}

void TickCounter::Ticked(const toolkit::Timer& timer) {
  const std::int64_t now = now_ns_();
  Ticks& ticks = ticks_[&timer];
  if (ticks.count++ == 0) {
    ticks.first_ns = now;
  } else if (now - ticks.last_ns > ticks.longest_gap_ns) {
    ticks.longest_gap_ns = now - ticks.last_ns;
  }
  ticks.last_ns = now;
}

void TickCounter::Ended(const toolkit::Timer& timer) {
  const auto found = ticks_.find(&timer);
  const Ticks ticks = found != ticks_.end() ? found->second : Ticks{};
  if (found != ticks_.end()) ticks_.erase(found);
  AppendToLog(log_path_ ? log_path_->c_str() : nullptr,
              "timer " + timer.Name() + " " + std::to_string(ticks.count) + " " +
                  std::to_string(ticks.first_ns) + " " + std::to_string(ticks.last_ns) + " " +
                  std::to_string(ticks.longest_gap_ns) + "\n");
}

}  // namespace bench
