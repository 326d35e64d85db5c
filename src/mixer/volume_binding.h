#pragma once

#include <cstdint>

namespace mixer {

// The platform's volume scale: 0 is silence, kFullVolume is full volume.
inline constexpr std::uint32_t kFullVolume = 65535;

// One way of reaching the system's master output volume.
class VolumeBinding {
 public:
  virtual ~VolumeBinding() = default;
  // Sets every channel to `value` on the 0..kFullVolume scale; larger values
  // give full volume, never more. True when the system confirmed the change.
  virtual bool SetVolume(std::uint32_t value) = 0;
};

// The binding that mixer device 0, control 0 stands for on this system.
VolumeBinding& SystemVolume();

}  // namespace mixer
