#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "mixer/system/clock.h"
#include "mixer/system/level_output.h"
#include "mixer/system/volume_binding.h"

namespace mixer {

// Runs a volume binding on a thread of its own, so that nothing the binding
// waits for (a server, a device, name resolution) can hold up the caller.
//
// The caller hands over a level and waits at most the write budget for that
// write's answer. Only the newest level not yet sent is kept, so an older
// level never follows a newer one. A level that failed is tried again every
// retry interval until it succeeds or a newer one replaces it: after an
// outage the volume ends at the last level asked for without another call.
class MixerThread final : public LevelOutput {
 public:
  // A server answers a write in about a tenth of a millisecond, the slowest
  // of a hundred in about one (scripts/bench): the budget leaves a loaded
  // one room many times over, yet holds the window for three frames at
  // most, under the tenth of a second at which a pause is felt.
  static constexpr Clock::Duration kBudget = std::chrono::milliseconds(50);
  // Ten tries a second: a level a server refused lands within a tenth of a
  // second of its taking writes again (a lost one waits for the binding's
  // reconnect too), and one that keeps refusing costs ten tries a second.
  static constexpr Clock::Duration kRetryInterval = std::chrono::milliseconds(100);
  // How long closing waits for the thread before leaving it behind: a write
  // under way finishes in far less, and one stuck on a hung server must not
  // hold up the quit.
  static constexpr Clock::Duration kStopBound = std::chrono::milliseconds(100);

  MixerThread(std::unique_ptr<VolumeBinding> binding, std::shared_ptr<Clock> clock);
  ~MixerThread() override;  // Stop()
  MixerThread(const MixerThread&) = delete;
  MixerThread& operator=(const MixerThread&) = delete;

  // True when the binding confirmed this very level within the budget. While
  // an earlier write is stuck past its budget the level is handed over and
  // the call returns false at once.
  bool Write(std::uint32_t value) override;

  // Ends the thread, waiting at most the stop bound. A thread stuck inside a
  // library call is left behind to end with the process; it keeps alive
  // everything it uses. True when the thread ended in time. Once the thread
  // has ended or been left behind, a further call returns at once.
  bool Stop();

 private:
  struct Shared;
  static void Run(const std::shared_ptr<Shared>& shared);

  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace mixer
