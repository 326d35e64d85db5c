#pragma once

#include <memory>
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

// Whether these settings ask for reduced motion.
[[nodiscard]] bool AsksForReducedMotion(const MotionSettings& settings);

class DesktopMotionWatch;

// Follows the desktop's wish for less motion into SetReducedMotion for as
// long as it lives: read from the Settings portal on the session bus at
// start, then taken from the portal's change signal. Every call is sent
// without waiting for its answer, so a slow or stopped portal holds nothing;
// with no session bus, no portal or none of the settings, motion stays full.
// Create it on the GUI thread, after the application.
class DesktopMotion {
 public:
  DesktopMotion();
  ~DesktopMotion();
  DesktopMotion(const DesktopMotion&) = delete;
  DesktopMotion& operator=(const DesktopMotion&) = delete;

 private:
  std::unique_ptr<DesktopMotionWatch> watch_;
};

}  // namespace toolkit
