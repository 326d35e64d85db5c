// The program with the mixer stand-in of the in-process benchmarks
// (counting_mixer.h) instead of the system mixer: what party mode costs the
// GUI thread without the sound server's round trips. Its ticks are counted
// and logged as in the counted program; its writes are not.
#include "bench/counted_run.h"
#include "bench/counting_mixer.h"

int main(int argc, char* argv[]) {
  return bench::RunWithTicksCounted(argc, argv, bench::CountingMixer());
}
