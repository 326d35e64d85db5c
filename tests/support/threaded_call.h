#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <thread>

// What only a hang outlasts, however busy the machine: a wait for a thread or
// a condition gives up here, and a call that must not block is held to it.
// libpulse itself waits 30 s for an answer, and an ALSA plugin on a frozen
// server waits as long as it stays frozen.
inline constexpr std::chrono::seconds kHangScale{10};

// A call made on a thread of its own, so that a test can step a clock while
// the call waits on it.
template <typename Result>
class ThreadedCall {
 public:
  explicit ThreadedCall(std::function<Result()> body)
      : future_(std::async(std::launch::async, std::move(body))) {}
  // Whether the call has returned by now.
  bool Returned() { return future_.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }
  // Waits for the call to return, generously; false if it never does.
  bool Finish(Result& result) {
    if (future_.wait_for(kHangScale) != std::future_status::ready) return false;
    result = future_.get();
    return true;
  }

 private:
  std::future<Result> future_;
};

// Polls `done` until it holds or a generous deadline passes.
template <typename Done>
bool PollUntil(Done done, std::chrono::milliseconds give_up_after = kHangScale) {
  const auto give_up = std::chrono::steady_clock::now() + give_up_after;
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}
