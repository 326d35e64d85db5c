#pragma once

namespace toolkit {

class Timer;

// For measuring from outside the product: the benchmarks and the soak count
// ticks through one, installed with the toolkit's time (TimeEnvironment).
// Told of every tick the event loop delivers (not of ticks a test fires by
// hand) and of each timer's end, on the GUI thread.
class TickObserver {
 public:
  TickObserver() = default;
  virtual ~TickObserver() = default;
  TickObserver(const TickObserver&) = delete;
  TickObserver& operator=(const TickObserver&) = delete;

  virtual void Ticked(const Timer& timer) = 0;
  virtual void Ended(const Timer& timer) = 0;
};

}  // namespace toolkit
