// The program as shipped, with its timer ticks and its volume writes counted
// for the benchmarks and the soak. With $BLARGO_COUNTER_LOG set it appends
// there, as each timer clock goes, "clock INTERVAL_MS PULSES FIRST_NS
// LAST_NS LONGEST_GAP_NS" (steady clock; tick_counter.h), and at exit
// "writes OK FAILED" and a line "failed FIRST_NS LAST_NS COUNT" per run of
// failed writes (wall clock).
// Writes are counted where they reach the system: at the volume binding, on
// the mixer thread, retries included.
#include <memory>

#include "bench/counted_run.h"
#include "bench/counter_log.h"
#include "bench/counting_binding.h"
#include "mixer/system/clock.h"
#include "mixer/system/mixer_thread.h"
#include "mixer/system/server_first_volume.h"

namespace {

// Made before main(), so gone only after the system mixer, which is made on
// first write, after main() has installed it: by then its thread has ended
// (or, stuck in a library call, been left behind) and the counts are
// complete.
struct WriteLog {
  WriteLog() = default;
  WriteLog(const WriteLog&) = delete;
  WriteLog& operator=(const WriteLog&) = delete;
  ~WriteLog() { bench::AppendToLog(bench::CounterLogPath(), counts->Lines()); }

  std::shared_ptr<bench::WriteCounts> counts = std::make_shared<bench::WriteCounts>();
};
WriteLog write_log;

// The system mixer as the program makes it when nothing else is installed
// (system_mixer.cpp), with the binding's writes counted on their way.
std::unique_ptr<mixer::LevelOutput> CountedSystemMixer() {
  const std::shared_ptr<mixer::Clock> clock = mixer::MachineClock();
  return std::make_unique<mixer::MixerThread>(
      std::make_unique<bench::CountingBinding>(std::make_unique<mixer::ServerFirstVolume>(clock),
                                               write_log.counts),
      clock);
}

}  // namespace

int main(int argc, char* argv[]) {
  return bench::RunWithTicksCounted(argc, argv, {CountedSystemMixer});
}
