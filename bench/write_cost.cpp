// What one volume write costs, through each way of writing, against the same
// sound server in one run: median and 99th percentile of the time the caller
// is blocked, over N writes each.
//   write_cost [N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench/bare_client.h"
#include "mixer/setter/module1.h"
#include "mixer/system/alsa_volume.h"
#include "mixer/system/clock.h"
#include "mixer/system/pulse_volume.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
  double median_us = 0;
  double p99_us = 0;
  int failures = 0;
};

using Write = std::function<bool(std::uint32_t)>;

// Times `writes` writes through each way, in turns, so that every way meets
// the server in the same state. Consecutive writes alternate between two
// levels, so each one is a real change, and each follows another's change.
std::vector<Figures> Measure(int writes, const std::vector<Write>& ways) {
  std::vector<std::vector<double>> times(ways.size());
  std::vector<Figures> figures(ways.size());
  std::size_t turn = 0;
  for (int i = 0; i < writes; ++i) {
    for (std::size_t way = 0; way < ways.size(); ++way) {
      const std::uint32_t value = (turn++ % 2 == 0) ? 19800 : 46200;
      const auto start = Clock::now();
      if (!ways[way](value)) ++figures[way].failures;
      times[way].push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
  }
  for (std::size_t way = 0; way < ways.size(); ++way) {
    std::sort(times[way].begin(), times[way].end());
    figures[way].median_us = times[way][times[way].size() / 2];
    figures[way].p99_us = times[way][times[way].size() * 99 / 100];
  }
  return figures;
}

void Row(const char* name, const Figures& figures, double floor) {
  std::printf("| %s | %.1f | %.1f | %.2f | %d |\n", name, figures.median_us, figures.p99_us,
              figures.median_us / floor, figures.failures);
}

}  // namespace

int main(int argc, char* argv[]) {
  const int writes = argc > 1 ? std::atoi(argv[1]) : 2000;
  // The floor: the least a libpulse client can do for one confirmed write. A
  // second is far beyond any answer, and keeps a silent server from hanging
  // the run.
  bench::BareClient bare(std::chrono::seconds(1));
  if (!bare.Ready()) {
    std::fprintf(stderr, "write_cost: no sound server to measure against\n");
    return 1;
  }
  // The bindings on the caller's thread, and the setter, which hands each
  // level to the mixer thread and waits for its answer.
  mixer::PulseVolume server(mixer::MachineClock());
  mixer::AlsaVolume alsa(mixer::MachineClock());
  const Write floor_write = [&](std::uint32_t v) { return bare.Write(v); };
  const Write server_write = [&](std::uint32_t v) { return server.SetVolume(v); };
  const Write setter_write = [](std::uint32_t v) {
    return SetMixerLevel(0, MIXERCONTROL{}, static_cast<std::int32_t>(v));
  };
  const Write alsa_write = [&](std::uint32_t v) { return alsa.SetVolume(v); };

  // Connecting, and a server that has only just started, are not measured.
  Measure(writes / 10, {floor_write, server_write, setter_write, alsa_write});
  const auto figures = Measure(writes, {floor_write, server_write, setter_write});
  const Figures& floor = figures[0];
  const Figures& through_server = figures[1];
  const Figures& setter = figures[2];
  // ALSA's pulse plugin keeps the server busy for milliseconds after each
  // write, which would slow the others down: it is measured on its own.
  const Figures through_alsa = Measure(writes, {alsa_write})[0];

  std::printf("| write (%d each) | median us | p99 us | x floor | failed |\n", writes);
  std::printf("|---|---|---|---|---|\n");
  Row("bare libpulse client (floor)", floor, floor.median_us);
  Row("sound-server binding", through_server, floor.median_us);
  Row("ALSA binding (pulse plugin)", through_alsa, floor.median_us);
  Row("SetMixerLevel, whole stack through the mixer thread", setter, floor.median_us);
  std::printf("\nwrite_floor_us: %.1f\n", floor.median_us);
  std::printf("write_floor_p99_us: %.1f\n", floor.p99_us);
  std::printf("write_setter_p99_us: %.1f\n", setter.p99_us);
  std::printf("write_server_us: %.1f\n", through_server.median_us);
  std::printf("write_server_p99_us: %.1f\n", through_server.p99_us);
  std::printf("write_alsa_us: %.1f\n", through_alsa.median_us);
  std::printf("write_alsa_p99_us: %.1f\n", through_alsa.p99_us);
  std::printf("write_setter_us: %.1f\n", setter.median_us);
  std::printf("failed_writes: %d\n",
              floor.failures + through_server.failures + through_alsa.failures + setter.failures);
  return 0;
}
