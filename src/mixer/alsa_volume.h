#pragma once

#include <memory>
#include <string>

#include "mixer/volume_binding.h"

namespace mixer {

// The master volume through ALSA's simple mixer on one control device: its
// "Master" playback volume, or else the first element with a playback volume.
// The handle stays open between writes and is reopened after any error, so a
// restarted sound server behind the device heals by itself.
class AlsaVolume final : public VolumeBinding {
 public:
  explicit AlsaVolume(std::string device = "default");
  ~AlsaVolume() override;
  AlsaVolume(const AlsaVolume&) = delete;
  AlsaVolume& operator=(const AlsaVolume&) = delete;

  bool SetVolume(std::uint32_t value) override;

 private:
  struct Handle;

  std::string device_;
  std::unique_ptr<Handle> handle_;  // null while closed
};

// A value on the 0..kFullVolume scale as a raw value of minimum..maximum,
// rounded to the nearest step.
long ScaleToRange(std::uint32_t value, long minimum, long maximum);

}  // namespace mixer
