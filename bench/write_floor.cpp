// The least CPU party mode's writes can cost a client: a bare libpulse client
// on one thread, with no window, paced by a 1 ms timer that keeps its phase,
// writing each ramp level twice per tick and waiting for each confirmation,
// as the program's mixer thread does. Prints its own CPU over the run, the
// ticks it took and the writes the server confirmed, per second.
//   write_floor SECONDS
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

}  // namespace

int main(int argc, char* argv[]) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 0;
  if (argc != 2 || !(seconds > 0)) {
    std::fprintf(stderr, "usage: write_floor SECONDS (more than 0)\n");
    return 2;
  }
  bench::BareClient client(kAnswerWithin);
  if (!client.Ready()) {
    std::fprintf(stderr, "write_floor: no sound server to write to\n");
    return 1;
  }
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
      if (client.Write(level)) {
        ++confirmed;
      } else {
        ++failed;
      }
    }
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = bench::ProcessCpuSeconds() - cpu0;
  close(timer);

  std::printf("write_floor_cpu_pct: %.1f\n", cpu / elapsed * 100);
  std::printf("write_floor_ticks_per_s: %.0f\n", static_cast<double>(ticks) / elapsed);
  std::printf("write_floor_writes_per_s: %.0f\n", static_cast<double>(confirmed) / elapsed);
  std::printf("write_floor_failed_writes: %ld\n", failed);
  return 0;
}
