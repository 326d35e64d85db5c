#include "mixer/system/sink_balance.h"

#include <cstdlib>

namespace mixer {

namespace {

// The "step or two" a server's own storage of a volume may move it by.
constexpr long kSlack = 2;

}  // namespace

bool SameVolume(const pa_cvolume& volume, const pa_cvolume& expected) {
  if (volume.channels != expected.channels) return false;
  for (unsigned c = 0; c < volume.channels; ++c) {
    if (std::labs(static_cast<long>(volume.values[c]) - static_cast<long>(expected.values[c])) >
        kSlack) {
      return false;
    }
  }
  return true;
}

bool SinkBalances::Heard(const std::string& sink, const pa_cvolume& volume) {
  if (pa_cvolume_valid(&volume) == 0 || pa_cvolume_max(&volume) == PA_VOLUME_MUTED) return false;
  const auto known = balances_.find(sink);
  if (known != balances_.end()) {
    pa_cvolume ours = known->second;
    if (SameVolume(volume, *pa_cvolume_scale(&ours, pa_cvolume_max(&volume)))) return false;
  }
  balances_[sink] = volume;
  return true;
}

pa_cvolume SinkBalances::Volume(const std::string& sink, std::uint8_t channels,
                                pa_volume_t level) const {
  pa_cvolume volume;
  const auto known = balances_.find(sink);
  if (level == PA_VOLUME_MUTED || known == balances_.end() || known->second.channels != channels) {
    pa_cvolume_set(&volume, channels, level);
    return volume;
  }
  volume = known->second;
  pa_cvolume_scale(&volume, level);
  return volume;
}

}  // namespace mixer
