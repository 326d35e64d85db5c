#pragma once

#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <pulse/operation.h>

#include <chrono>
#include <cstdint>

namespace bench {

// The least a libpulse client can do for one confirmed volume write: its own
// main loop on the caller's thread, and the server's default sink resolved by
// the server at each write. Every wait has a deadline, so a server that stops
// answering makes writes fail instead of hanging the benchmark.
class BareClient {
 public:
  // A write not confirmed within `answer_within` counts as failed.
  explicit BareClient(std::chrono::milliseconds answer_within);
  ~BareClient();
  BareClient(const BareClient&) = delete;
  BareClient& operator=(const BareClient&) = delete;

  [[nodiscard]] bool Ready() const;
  // Sets the default sink's volume, `value` on the 0..65535 scale, on two
  // channels, and waits for the server's answer.
  [[nodiscard]] bool Write(std::uint32_t value);

 private:
  using Clock = std::chrono::steady_clock;

  // Runs the loop until `finished` or the deadline; false at the deadline or
  // if the loop itself failed.
  template <typename Finished>
  bool RunUntil(Finished finished, Clock::time_point deadline);
  static void OnDone(pa_context* context, int success, void* self);

  std::chrono::milliseconds answer_within_;
  pa_mainloop* loop_ = pa_mainloop_new();
  pa_context* context_ = nullptr;
  bool done_ = false;
  bool ok_ = false;
};

}  // namespace bench
