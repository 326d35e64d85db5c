#pragma once

#include <memory>

#include "mixer/system/alsa_volume.h"
#include "mixer/system/clock.h"
#include "mixer/system/pulse_volume.h"
#include "mixer/system/volume_binding.h"

namespace mixer {

// The sound server when there is one; ALSA's "default" device for systems
// without one. The server is looked for again while ALSA serves, so one that
// starts later takes over by itself, and ALSA's handle is let go then.
class ServerFirstVolume final : public VolumeBinding {
 public:
  explicit ServerFirstVolume(const std::shared_ptr<Clock>& clock);

  bool SetVolume(std::uint32_t value) override;
  void Abandon() override { server_.Abandon(); }

 private:
  PulseVolume server_;
  AlsaVolume alsa_;
};

}  // namespace mixer
