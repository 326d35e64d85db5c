#include "mixer/system/system_mixer.h"

#include <utility>

#include "mixer/system/clock.h"
#include "mixer/system/server_first_volume.h"

namespace mixer {

namespace {
BindingWrapper& Wrapper() {
  static BindingWrapper wrapper;
  return wrapper;
}
}  // namespace

void WrapSystemBinding(BindingWrapper wrap) { Wrapper() = std::move(wrap); }

MixerThread& SystemMixer() {
  static MixerThread mixer = [] {
    const std::shared_ptr<Clock> clock = MachineClock();
    std::unique_ptr<VolumeBinding> binding = std::make_unique<ServerFirstVolume>(clock);
    if (Wrapper()) binding = Wrapper()(std::move(binding));
    return MixerThread(std::move(binding), clock, MixerThread::Timing{});
  }();
  return mixer;
}

}  // namespace mixer
