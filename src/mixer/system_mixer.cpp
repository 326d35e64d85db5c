#include "mixer/clock.h"
#include "mixer/mixer_thread.h"
#include "mixer/server_first_volume.h"

namespace mixer {

MixerThread& SystemMixer() {
  static MixerThread mixer = [] {
    const std::shared_ptr<Clock> clock = MachineClock();
    return MixerThread(std::make_unique<ServerFirstVolume>(clock), clock, MixerThread::Timing{});
  }();
  return mixer;
}

}  // namespace mixer
