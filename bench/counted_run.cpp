#include "bench/counted_run.h"

#include <utility>

#include "bench/counter_log.h"
#include "bench/tick_counter.h"
#include "main/run_program.h"

namespace bench {

int RunWithTicksCounted(int argc, char* argv[], mixer::MixerEnvironment mixer) {
  Environment environment;
  environment.time.alarms = CountingAlarms(CounterLogPath());
  environment.mixer = std::move(mixer);
  return RunProgram(argc, argv, std::move(environment));
}

}  // namespace bench
