#pragma once

#include <cstdint>

namespace mixer {

// Where the levels of device 0, control 0 go: the system's mixer, or what a
// test or a measuring build puts in its place (system_mixer.h).
class LevelOutput {
 public:
  LevelOutput() = default;
  virtual ~LevelOutput() = default;
  LevelOutput(const LevelOutput&) = delete;
  LevelOutput& operator=(const LevelOutput&) = delete;

  // True when the level was taken.
  virtual bool Write(std::uint32_t value) = 0;
};

}  // namespace mixer
