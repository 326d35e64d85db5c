#include "support/recording_mixer.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "mixer/system/system_mixer.h"

namespace recording_mixer {

namespace {

struct Record {
  std::vector<std::int32_t> levels;
  bool accepting = true;
};

Record& Recorded() {
  static Record record;
  return record;
}

class RecordingOutput final : public mixer::LevelOutput {
 public:
  bool Write(std::uint32_t value) override {
    Recorded().levels.push_back(static_cast<std::int32_t>(value));
    return Recorded().accepting;
  }
};

[[maybe_unused]] const bool installed = [] {
  if (mixer::InstallMixer({[] { return std::make_unique<RecordingOutput>(); }})) return true;
  std::fputs("recording mixer: the mixer's environment was in place already\n", stderr);
  std::abort();
}();

}  // namespace

std::vector<std::int32_t> Levels() { return Recorded().levels; }

void Clear() { Recorded().levels.clear(); }

void SetAccepting(bool accepting) { Recorded().accepting = accepting; }

}  // namespace recording_mixer
