#pragma once

#include <optional>

namespace toolkit {

// The desktop's settings that speak of motion, as far as they are known: the
// freedesktop wish (org.freedesktop.appearance reduced-motion: 1 asks for
// less, 0 says nothing), and where that is missing GNOME's switch for
// animations and KDE's factor on their length (0: none).
struct MotionSettings {
  std::optional<unsigned> reduced_motion;
  std::optional<bool> enable_animations;
  std::optional<double> animation_duration_factor;
};

[[nodiscard]] bool AsksForReducedMotion(const MotionSettings& settings);

}  // namespace toolkit
