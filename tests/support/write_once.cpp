// Writes one level through the sound-server binding and prints what came of
// it ("done", "refused" or "no server"), for tests that run it in an
// environment of their own.
#include <cstdio>

#include "mixer/system/clock.h"
#include "mixer/system/pulse_volume.h"

int main() {
  mixer::PulseVolume volume(mixer::MachineClock());
  switch (volume.Write(33000)) {
    case mixer::PulseVolume::Outcome::kDone:
      std::puts("done");
      break;
    case mixer::PulseVolume::Outcome::kRefused:
      std::puts("refused");
      break;
    case mixer::PulseVolume::Outcome::kNoServer:
      std::puts("no server");
      break;
  }
  return 0;
}
