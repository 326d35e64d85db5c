// The program's own work per volume change, with the system mixer replaced
// by a stand-in that only takes the value (Google Benchmark).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/counting_mixer.h"
#include "mixer/setter/module1.h"
#include "toolkit/application/application.h"
#include "toolkit/time/alarm.h"
#include "toolkit/time/time_environment.h"
#include "window/form1.h"
#include "window/mixer_level.h"
#include "window/percent_text.h"

namespace {

Form1* window = nullptr;

// Time that moves only a timer interval at a time, when a benchmark steps
// it: the event loop never runs, so nothing else rings.
class SteppedAlarm final : public toolkit::Alarm {
 public:
  SteppedAlarm() { Alarms().push_back(this); }
  ~SteppedAlarm() override { std::erase(Alarms(), this); }
  SteppedAlarm(const SteppedAlarm&) = delete;
  SteppedAlarm& operator=(const SteppedAlarm&) = delete;

  [[nodiscard]] toolkit::TimePoint Now() const override { return now; }
  void Set(toolkit::TimePoint /*deadline*/) override {}
  void SetRepeating(toolkit::TimePoint /*first*/, toolkit::Duration period) override {
    repeating_ = period > toolkit::Duration::zero();
  }
  void Cancel() override { repeating_ = false; }

  // One pulse of the timers' clock: each timer enabled ticks once.
  static void Pulse() {
    now += std::chrono::milliseconds(1);
    for (const SteppedAlarm* alarm : Alarms()) {
      if (alarm->repeating_) alarm->Ring();
    }
  }

 private:
  static std::vector<SteppedAlarm*>& Alarms() {
    static std::vector<SteppedAlarm*> alarms;
    return alarms;
  }
  static inline toolkit::TimePoint now{};
  bool repeating_ = false;
};

void PercentTextOfALevel(benchmark::State& state) {
  std::int32_t level = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(PercentText(level));
    level = (level + 660) % 66660;
  }
}
BENCHMARK(PercentTextOfALevel);

// One write through the setter and one label set, the steps the window
// takes for each level it applies.
void ApplySequence(benchmark::State& state) {
  std::int32_t percent = 0;
  for (auto _ : state) {
    const std::int32_t level = percent * kLevelPerPercent;
    SetMixerLevel(window->MixerHandle, window->MixerControl, level);
    window->Label1.SetText(PercentText(level));
    percent = (percent + 1) % 101;
  }
}
BENCHMARK(ApplySequence);

// A whole ramp step as a Timer1 tick delivers it: the slider moves, so two
// writes and two label sets.
void RampStep(benchmark::State& state) {
  bool low = true;
  for (auto _ : state) {
    window->RampLevel = low ? "40" : "45";
    SteppedAlarm::Pulse();
    low = !low;
  }
}
BENCHMARK(RampStep);

}  // namespace

int main(int argc, char* argv[]) {
  if (!mixer::InstallMixer(bench::CountingMixer())) return 1;
  if (!toolkit::InstallTime({[] { return std::make_unique<SteppedAlarm>(); }})) return 1;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  toolkit::Application app(argc, argv, Form1::kCaption);
  auto form = std::make_unique<Form1>();
  form->Show();
  form->Timer1.SetEnabled(true);  // ticks as the benchmark steps the time
  window = form.get();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
