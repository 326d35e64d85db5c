#include "bench/counted_run.h"

#include "bench/counter_log.h"
#include "bench/tick_counter.h"
#include "main/run_program.h"
#include "toolkit/time/timer.h"

namespace bench {

int RunWithTicksCounted(int argc, char* argv[]) {
  TickCounter ticks(CounterLogPath());
  toolkit::Timer::SetObserver(&ticks);
  const int status = RunProgram(argc, argv);
  toolkit::Timer::SetObserver(nullptr);
  return status;
}

}  // namespace bench
