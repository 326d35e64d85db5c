#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "mixer/system/clock.h"
#include "mixer/system/volume_binding.h"
#include "process/environment_change.h"

namespace mixer {

// The master volume straight through the sound server's own protocol
// (PulseAudio, or PipeWire's pulse server): the volume of the server's default
// sink. A level sets the sink's loudest channel and the others keep their
// balance; a level above silence also turns the sink's mute switch off.
//
// A write waits for the server's answer however long it takes: it runs on
// the mixer thread, which owes the window nothing but the latest level, and
// one write at a time keeps the order of levels (a refresh of the sink and
// an unmute may go with it). What is known of the sink between writes is a
// SinkState. A lost server is looked for again at most once per reconnect
// interval, so a restarted one is found by itself without a flood of
// connection attempts.
class PulseVolume final : public VolumeBinding {
 public:
  enum class Outcome {
    kDone,      // the server confirmed the new volume
    kRefused,   // a server is there but refused or dropped the volume, or the
                // binding was abandoned
    kNoServer,  // no server could be reached, or no attempt was due yet
  };

  // Twice a second: party mode asks for a write every millisecond, so an
  // absent server costs at most two failed connects a second, and one back
  // from a restart has the volume again within about half a second (the
  // mixer thread's next retry after the interval).
  static constexpr Clock::Duration kReconnectInterval = std::chrono::milliseconds(500);

  explicit PulseVolume(std::shared_ptr<Clock> clock);
  ~PulseVolume() override;
  PulseVolume(const PulseVolume&) = delete;
  PulseVolume& operator=(const PulseVolume&) = delete;

  Outcome Write(std::uint32_t value);
  bool SetVolume(std::uint32_t value) override { return Write(value) == Outcome::kDone; }
  void Abandon() override;

 private:
  struct Connection;

  std::shared_ptr<Clock> clock_;
  std::unique_ptr<Connection> connection_;
};

// Where libpulse's own messages should go, as variables for the process's
// environment: libpulse reads them when it first logs, on the mixer thread.
process::EnvironmentChanges PulseLogEnvironment();

// A value on the 0..kFullVolume scale as a server volume, 0..PA_VOLUME_NORM.
std::uint32_t ToServerVolume(std::uint32_t value);

}  // namespace mixer
