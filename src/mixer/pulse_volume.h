#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "mixer/volume_binding.h"

namespace mixer {

// The master volume straight through the sound server's own protocol
// (PulseAudio, or PipeWire's pulse server): the volume of the server's default
// sink, resolved by the server at each write, set on all its channels.
//
// Everything runs on the caller's thread with a private main loop, and no
// write blocks for longer than the budget: an answer that does not come in
// time fails the write, and later writes fail at once until that answer
// comes or the connection drops. A lost server is looked for again at most
// every reconnect interval, so a restarted one is found by itself.
class PulseVolume final : public VolumeBinding {
 public:
  enum class Outcome {
    kDone,      // the server confirmed the new volume
    kRefused,   // a server is there but refused, failed or did not answer in time
    kNoServer,  // no server could be reached
  };

  struct Timing {
    std::chrono::microseconds budget{std::chrono::milliseconds(50)};
    std::chrono::microseconds reconnect_interval{std::chrono::milliseconds(500)};
  };

  PulseVolume();
  explicit PulseVolume(Timing timing);
  ~PulseVolume() override;
  PulseVolume(const PulseVolume&) = delete;
  PulseVolume& operator=(const PulseVolume&) = delete;

  Outcome Write(std::uint32_t value);
  bool SetVolume(std::uint32_t value) override { return Write(value) == Outcome::kDone; }

 private:
  struct Connection;

  Timing timing_;
  std::unique_ptr<Connection> connection_;
};

// A value on the 0..kFullVolume scale as a server volume, 0..PA_VOLUME_NORM.
std::uint32_t ToServerVolume(std::uint32_t value);

}  // namespace mixer
