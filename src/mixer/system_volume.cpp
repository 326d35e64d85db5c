#include "mixer/alsa_volume.h"
#include "mixer/pulse_volume.h"
#include "mixer/volume_binding.h"

namespace mixer {

namespace {

// The sound server when there is one; ALSA's "default" device for systems
// without one. The server is looked for again while ALSA serves, so one that
// starts later takes over by itself.
class ServerFirstVolume final : public VolumeBinding {
 public:
  bool SetVolume(std::uint32_t value) override {
    switch (server_.Write(value)) {
      case PulseVolume::Outcome::kDone:
        return true;
      case PulseVolume::Outcome::kRefused:
        // A server that is there but not answering (frozen, say) would block
        // ALSA's pulse plugin too, and without any bound.
        return false;
      case PulseVolume::Outcome::kNoServer:
        return alsa_.SetVolume(value);
    }
    return false;
  }

 private:
  PulseVolume server_;
  AlsaVolume alsa_{"default"};
};

}  // namespace

VolumeBinding& SystemVolume() {
  static ServerFirstVolume volume;
  return volume;
}

}  // namespace mixer
