#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "bench/counter_log.h"
#include "toolkit/time/tick_observer.h"

namespace bench {

// Counts the ticks the event loop delivers to each timer and, when the timer
// goes, appends "timer NAME TICKS FIRST_NS LAST_NS LONGEST_GAP_NS" to the log
// at `log_path` (none when nullptr). Times come from `now_ns`, by default the
// steady clock.
class TickCounter final : public toolkit::TickObserver {
 public:
  explicit TickCounter(const char* log_path, std::function<std::int64_t()> now_ns = SteadyNs);

  void Ticked(const toolkit::Timer& timer) override;
  void Ended(const toolkit::Timer& timer) override;

 private:
  struct Ticks {
    std::int64_t count = 0;
    std::int64_t first_ns = 0;
    std::int64_t last_ns = 0;
    std::int64_t longest_gap_ns = 0;
  };

  std::optional<std::string> log_path_;
  std::function<std::int64_t()> now_ns_;
  std::map<const toolkit::Timer*, Ticks> ticks_;
};

}  // namespace bench
