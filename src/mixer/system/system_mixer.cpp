#include "mixer/system/system_mixer.h"

#include <mutex>
#include <utility>

#include "mixer/system/clock.h"
#include "mixer/system/mixer_thread.h"
#include "mixer/system/pulse_volume.h"
#include "mixer/system/server_first_volume.h"

namespace mixer {

namespace {

// Written to from the GUI thread, but a test may write from another.
struct Installed {
  std::mutex mutex;
  MixerEnvironment environment;
  std::unique_ptr<LevelOutput> output;
  bool fixed = false;
};

Installed& Slot() {
  static Installed slot;
  return slot;
}

std::unique_ptr<LevelOutput> MakeSystemMixer() {
  const std::shared_ptr<Clock> clock = MachineClock();
  return std::make_unique<MixerThread>(std::make_unique<ServerFirstVolume>(clock), clock);
}

}  // namespace

bool InstallMixer(MixerEnvironment environment) {
  Installed& slot = Slot();
  const std::lock_guard lock(slot.mutex);
  if (slot.fixed) return false;
  slot.environment = std::move(environment);
  slot.fixed = true;
  return true;
}

LevelOutput& SystemMixer() {
  Installed& slot = Slot();
  const std::lock_guard lock(slot.mutex);
  slot.fixed = true;
  if (slot.output == nullptr && slot.environment.output) slot.output = slot.environment.output();
  if (slot.output == nullptr) slot.output = MakeSystemMixer();
  return *slot.output;
}

process::EnvironmentChanges SystemMixerEnvironment() { return PulseLogEnvironment(); }

}  // namespace mixer
