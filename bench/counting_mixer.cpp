#include "bench/counting_mixer.h"

#include <cstdint>
#include <memory>

namespace bench {

namespace {

class TakesEveryWrite final : public mixer::LevelOutput {
 public:
  bool Write(std::uint32_t value) override {
    last_value_ = value;
    return true;
  }

 private:
  volatile std::uint32_t last_value_ = 0;
};

}  // namespace

mixer::MixerEnvironment CountingMixer() {
  return {[] { return std::make_unique<TakesEveryWrite>(); }};
}

}  // namespace bench
