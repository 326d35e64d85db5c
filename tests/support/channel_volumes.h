#pragma once

#include <pulse/volume.h>

#include <cstdint>
#include <vector>

// A sink's channel volumes written as a list, and back: what the sound
// binding's unit tests hand in and compare.
inline pa_cvolume Of(const std::vector<pa_volume_t>& values) {
  pa_cvolume volume{};
  volume.channels = static_cast<std::uint8_t>(values.size());
  for (std::size_t c = 0; c < values.size(); ++c) volume.values[c] = values[c];
  return volume;
}

inline std::vector<pa_volume_t> Values(const pa_cvolume& volume) {
  return {volume.values, volume.values + volume.channels};
}
