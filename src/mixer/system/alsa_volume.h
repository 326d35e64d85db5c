#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include "mixer/system/clock.h"
#include "mixer/system/sink_balance.h"
#include "mixer/system/volume_binding.h"

namespace mixer {

// The master volume through ALSA's simple mixer on the "default" device: its
// "Master" playback volume, or else the first element with a playback volume.
// As with the server, a level sets the loudest channel, the others keep their
// balance, and a level above silence turns the playback switch on.
// The handle stays open between writes and is reopened after any error, so a
// restarted sound server behind the device heals by itself; opening is tried
// at most once per reopen interval, since each try may start a plugin's
// connection to a server.
class AlsaVolume final : public VolumeBinding {
 public:
  // Twice a second, as the server binding reconnects: a missing device or
  // server costs two tries a second, and one that comes back is used within
  // about half a second.
  static constexpr Clock::Duration kReopenInterval = std::chrono::milliseconds(500);

  explicit AlsaVolume(std::shared_ptr<Clock> clock);
  ~AlsaVolume() override;
  AlsaVolume(const AlsaVolume&) = delete;
  AlsaVolume& operator=(const AlsaVolume&) = delete;

  bool SetVolume(std::uint32_t value) override;
  // Lets go of the device and all it holds (a plugin's connection and
  // thread); the next write opens it again.
  void Close();

 private:
  struct Handle;
  bool Write(std::uint32_t value);

  std::shared_ptr<Clock> clock_;
  std::optional<Clock::TimePoint> last_open_attempt_;
  std::unique_ptr<Handle> handle_;  // null while closed
  SinkBalances balances_;           // by element, kept across reopening
};

}  // namespace mixer
