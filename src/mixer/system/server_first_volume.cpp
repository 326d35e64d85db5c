#include "mixer/system/server_first_volume.h"

namespace mixer {

ServerFirstVolume::ServerFirstVolume(const std::shared_ptr<Clock>& clock)
    : server_(clock), alsa_(clock) {}

bool ServerFirstVolume::SetVolume(std::uint32_t value) {
  switch (server_.Write(value)) {
    case PulseVolume::Outcome::kDone:
      alsa_.Close();
      return true;
    case PulseVolume::Outcome::kRefused:
      // A server that is there but refusing would refuse ALSA's pulse plugin
      // too.
      return false;
    case PulseVolume::Outcome::kNoServer:
      return alsa_.SetVolume(value);
  }
  return false;
}

}  // namespace mixer
