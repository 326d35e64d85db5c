#pragma once

#include <pulse/volume.h>

#include <cstdint>
#include <map>
#include <string>

namespace mixer {

// What each sink's channels are set to relative to each other, remembered by
// sink name for the run. A level sets the loudest channel and the others keep
// their ratio to it, as desktop volume controls do: people with uneven hearing
// set a balance on purpose. Silence (every channel at 0) carries no balance,
// so the level after it brings back the one from before.
class SinkBalances {
 public:
  // Learns from a volume the sink reports. True when it holds a balance other
  // than the one remembered: someone else set it.
  bool Heard(const std::string& sink, const pa_cvolume& volume);

  // The volume that puts `level` on the loudest of the sink's `channels`.
  [[nodiscard]] pa_cvolume Volume(const std::string& sink, std::uint8_t channels,
                                  pa_volume_t level) const;

 private:
  std::map<std::string, pa_cvolume, std::less<>> balances_;
};

// Whether a volume a server reports is the one expected: a server may store
// volumes in a form of its own (PipeWire keeps floats) and hand them back a
// step or two off.
bool SameVolume(const pa_cvolume& volume, const pa_cvolume& expected);

}  // namespace mixer
