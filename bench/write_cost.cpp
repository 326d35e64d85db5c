// What one volume write costs, through each way of writing, against the same
// sound server in one run: median and 99th percentile of the time the caller
// is blocked, over N writes each.
//   write_cost [N]
#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/volume.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "mixer/alsa_volume.h"
#include "mixer/module1.h"
#include "mixer/pulse_volume.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
  double median_us;
  double p99_us;
  int failures;
};

// Alternates between two levels so that every write is a real change.
Figures Measure(int writes, const std::function<bool(std::uint32_t)>& write) {
  std::vector<double> times;
  times.reserve(static_cast<std::size_t>(writes));
  int failures = 0;
  for (int i = 0; i < writes; ++i) {
    const std::uint32_t value = (i % 2 == 0) ? 19800 : 46200;
    const auto start = Clock::now();
    if (!write(value)) ++failures;
    times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times[times.size() * 99 / 100], failures};
}

// The floor: the least a libpulse client can do for one confirmed write.
class BareClient {
 public:
  BareClient() {
    context_ = pa_context_new(pa_mainloop_get_api(loop_), "write-floor");
    pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    while (pa_context_get_state(context_) != PA_CONTEXT_READY &&
           PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
      pa_mainloop_iterate(loop_, 1, nullptr);
    }
  }
  ~BareClient() {
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    pa_mainloop_free(loop_);
  }
  BareClient(const BareClient&) = delete;
  BareClient& operator=(const BareClient&) = delete;

  bool Ready() const { return pa_context_get_state(context_) == PA_CONTEXT_READY; }

  bool Write(std::uint32_t value) {
    pa_cvolume volume;
    pa_cvolume_set(&volume, 2, mixer::ToServerVolume(value));
    done_ = false;
    pa_operation* op =
        pa_context_set_sink_volume_by_name(context_, "@DEFAULT_SINK@", &volume, OnDone, this);
    if (op == nullptr) return false;
    while (!done_ && pa_operation_get_state(op) == PA_OPERATION_RUNNING) {
      pa_mainloop_iterate(loop_, 1, nullptr);
    }
    pa_operation_unref(op);
    return done_ && ok_;
  }

 private:
  static void OnDone(pa_context* /*context*/, int success, void* self) {
    static_cast<BareClient*>(self)->done_ = true;
    static_cast<BareClient*>(self)->ok_ = success != 0;
  }

  pa_mainloop* loop_ = pa_mainloop_new();
  pa_context* context_ = nullptr;
  bool done_ = false;
  bool ok_ = false;
};

void Row(const char* name, const Figures& figures, double floor) {
  std::printf("| %s | %.1f | %.1f | %.2f | %d |\n", name, figures.median_us, figures.p99_us,
              figures.median_us / floor, figures.failures);
}

}  // namespace

int main(int argc, char* argv[]) {
  const int writes = argc > 1 ? std::atoi(argv[1]) : 2000;
  BareClient bare;
  if (!bare.Ready()) {
    std::fprintf(stderr, "write_cost: no sound server to measure against\n");
    return 1;
  }
  mixer::PulseVolume server;
  mixer::AlsaVolume alsa("default");
  // One warm-up write each: connecting is not what is measured.
  bare.Write(0);
  server.SetVolume(0);
  alsa.SetVolume(0);

  const Figures floor = Measure(writes, [&](std::uint32_t v) { return bare.Write(v); });
  const Figures through_server =
      Measure(writes, [&](std::uint32_t v) { return server.SetVolume(v); });
  const Figures through_alsa = Measure(writes, [&](std::uint32_t v) { return alsa.SetVolume(v); });
  const Figures setter = Measure(writes, [](std::uint32_t v) {
    return SetMixerLevel(0, MIXERCONTROL{}, static_cast<std::int32_t>(v));
  });

  std::printf("| write (%d each) | median us | p99 us | x floor | failed |\n", writes);
  std::printf("|---|---|---|---|---|\n");
  Row("bare libpulse client (floor)", floor, floor.median_us);
  Row("sound-server binding", through_server, floor.median_us);
  Row("ALSA binding (pulse plugin)", through_alsa, floor.median_us);
  Row("SetMixerLevel, whole stack", setter, floor.median_us);
  std::printf("\nwrite_floor_us: %.1f\n", floor.median_us);
  std::printf("write_server_us: %.1f\n", through_server.median_us);
  std::printf("write_server_p99_us: %.1f\n", through_server.p99_us);
  std::printf("write_alsa_us: %.1f\n", through_alsa.median_us);
  std::printf("write_alsa_p99_us: %.1f\n", through_alsa.p99_us);
  std::printf("write_setter_us: %.1f\n", setter.median_us);
  return 0;
}
