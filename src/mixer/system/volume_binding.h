#pragma once

#include <cstdint>

#include "mixer/system/volume_scale.h"

namespace mixer {

// One way of reaching the system's master output volume. Its calls may wait
// on a sound server, a device or name resolution, so they run on the mixer
// thread, never on the window's.
class VolumeBinding {
 public:
  virtual ~VolumeBinding() = default;
  // Sets the master volume to `value` on the 0..kFullVolume scale: the
  // loudest channel takes it and the others keep their balance; larger
  // values give full volume, never more. True when the system confirmed the
  // change.
  virtual bool SetVolume(std::uint32_t value) = 0;
  // Called from another thread when the mixer closes: a SetVolume under way
  // returns as soon as the library it waits in lets it, and later ones fail
  // at once.
  virtual void Abandon() {}
};

}  // namespace mixer
