// The least CPU party mode's writes can cost a client: a bare libpulse client
// on one thread, with no window, paced by a 1 ms timer that keeps its phase,
// writing each ramp level twice per tick and waiting for each confirmation,
// as the program's mixer thread does. Prints its own CPU over the run, the
// ticks it took and the writes the server confirmed, per second.
//
// With --handed the client runs on a thread of its own and the timer's
// thread hands it each level and waits (at most 50 ms) for the answer, as the
// program's window hands its writes to the mixer thread so that no server
// can stall the window: the least that design can cost, without a window.
//   write_floor [--handed] SECONDS
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "bench/bare_client.h"
#include "bench/cpu_time.h"

namespace {

using Clock = std::chrono::steady_clock;

// The program's mixer thread gives up on an answer after this long.
constexpr std::chrono::milliseconds kAnswerWithin{50};
constexpr std::uint32_t kLevelPerPercent = 660;

// The ramp's levels in percent: up from 30 to 95 and down again in steps of 5.
class Ramp {
 public:
  std::uint32_t Next() {
    if (percent_ >= 95) step_ = -5;
    if (percent_ <= 30) step_ = 5;
    percent_ += step_;
    return static_cast<std::uint32_t>(percent_) * kLevelPerPercent;
  }

 private:
  int percent_ = 30;
  int step_ = 5;
};

// The client on a thread of its own. A caller hands it one level at a time
// and waits for the answer, with a deadline; a level whose answer came too
// late counts as failed, and the next one waits until the thread is free.
class HandedClient {
 public:
  explicit HandedClient(bench::BareClient& client) : client_(client), thread_([this] { Run(); }) {}
  ~HandedClient() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    level_due_.notify_one();
    thread_.join();
  }
  HandedClient(const HandedClient&) = delete;
  HandedClient& operator=(const HandedClient&) = delete;

  bool Write(std::uint32_t value) {
    std::unique_lock lock(mutex_);
    const auto deadline = Clock::now() + kAnswerWithin;
    if (!answered_.wait_until(lock, deadline,
                              [this] { return answered_number_ == asked_number_; })) {
      return false;
    }
    const std::uint64_t number = ++asked_number_;
    value_ = value;
    lock.unlock();
    level_due_.notify_one();
    lock.lock();
    return answered_.wait_until(lock, deadline, [&] { return answered_number_ == number; }) &&
           answered_ok_;
  }

 private:
  void Run() {
    std::unique_lock lock(mutex_);
    while (true) {
      level_due_.wait(lock, [this] { return stopping_ || answered_number_ != asked_number_; });
      if (stopping_) return;
      const std::uint64_t number = asked_number_;
      const std::uint32_t value = value_;
      lock.unlock();
      const bool ok = client_.Write(value);
      lock.lock();
      answered_number_ = number;
      answered_ok_ = ok;
      lock.unlock();
      answered_.notify_one();
      lock.lock();
    }
  }

  bench::BareClient& client_;
  std::mutex mutex_;
  std::condition_variable level_due_;
  std::condition_variable answered_;
  std::uint64_t asked_number_ = 0;
  std::uint64_t answered_number_ = 0;
  std::uint32_t value_ = 0;
  bool answered_ok_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace

int main(int argc, char* argv[]) {
  const bool handed = argc == 3 && std::string(argv[1]) == "--handed";
  const double seconds = argc > 1 ? std::atof(argv[argc - 1]) : 0;
  if (argc != (handed ? 3 : 2) || !(seconds > 0)) {
    std::fprintf(stderr, "usage: write_floor [--handed] SECONDS (more than 0)\n");
    return 2;
  }
  bench::BareClient client(kAnswerWithin);
  if (!client.Ready()) {
    std::fprintf(stderr, "write_floor: no sound server to write to\n");
    return 1;
  }
  std::unique_ptr<HandedClient> handed_client;
  if (handed) handed_client = std::make_unique<HandedClient>(client);
  const std::function<bool(std::uint32_t)> write_level = [&](std::uint32_t value) {
    return handed_client ? handed_client->Write(value) : client.Write(value);
  };
  const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
  const itimerspec every_ms{{0, 1'000'000}, {0, 1'000'000}};
  if (timer < 0 || timerfd_settime(timer, 0, &every_ms, nullptr) < 0) {
    std::fprintf(stderr, "write_floor: no 1 ms timer: %s\n", std::strerror(errno));
    return 1;
  }

  Ramp ramp;
  long ticks = 0;
  long confirmed = 0;
  long failed = 0;
  const double cpu0 = bench::ProcessCpuSeconds();
  const auto start = Clock::now();
  const auto end = start + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    // However many intervals have passed, this is one tick, as a late
    // platform timer ticks once and goes on.
    std::uint64_t expirations = 0;
    if (read(timer, &expirations, sizeof expirations) != sizeof expirations) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "write_floor: the timer failed: %s\n", std::strerror(errno));
      return 1;
    }
    ++ticks;
    const std::uint32_t level = ramp.Next();
    for (int write = 0; write < 2; ++write) {
      if (write_level(level)) {
        ++confirmed;
      } else {
        ++failed;
      }
    }
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = bench::ProcessCpuSeconds() - cpu0;
  close(timer);
  handed_client.reset();

  const std::string key = handed ? "write_floor_handed" : "write_floor";
  std::printf("%s_cpu_pct: %.1f\n", key.c_str(), cpu / elapsed * 100);
  std::printf("%s_ticks_per_s: %.0f\n", key.c_str(), static_cast<double>(ticks) / elapsed);
  std::printf("%s_writes_per_s: %.0f\n", key.c_str(), static_cast<double>(confirmed) / elapsed);
  std::printf("%s_failed_writes: %ld\n", key.c_str(), failed);
  return 0;
}
