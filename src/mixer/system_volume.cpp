#include "mixer/alsa_volume.h"
#include "mixer/volume_binding.h"

namespace mixer {

VolumeBinding& SystemVolume() {
  static AlsaVolume alsa("default");
  return alsa;
}

}  // namespace mixer
