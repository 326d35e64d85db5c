#include <algorithm>
#include <cmath>

#include "window/decimal_text.h"
#include "window/form1.h"
#include "window/mixer_level.h"

namespace {

constexpr double kStep = 5;
constexpr double kTop = 99;     // the climb turns once a step reaches this
constexpr double kBottom = 30;  // the descent turns once it is no higher than this

}  // namespace

void Form1::Timer1_Tick() {
  const double r = TextValue(RampLevel) + kStep;
  RampLevel = NumberText(r);
  if (TextValue(RampLevel) >= kTop) {
    // Enable the other timer first: between handlers one of them always runs.
    Timer2.SetEnabled(true);
    Timer1.SetEnabled(false);
    return;
  }
  RampStep(r);
}

void Form1::Timer2_Tick() {
  if (TextValue(RampLevel) > kBottom) {
    const double r = TextValue(RampLevel) - kStep;
    RampLevel = NumberText(r);
    RampStep(r);
    return;
  }
  Timer1.SetEnabled(true);
  Timer2.SetEnabled(false);
}

// Stopping and restarting right after the climb turns, twice over, leaves
// RampLevel above 100. The slider cannot show that, so the step holds to the
// slider's range while RampLevel keeps its own value and the descent brings
// it back.
void Form1::RampStep(double r) {
  const double shown = std::clamp(r, static_cast<double>(VScroll1.Minimum()),
                                  static_cast<double>(VScroll1.Maximum()));
  const auto whole = static_cast<std::int32_t>(std::nearbyint(shown));
  VScroll1.SetValue(static_cast<std::int16_t>(whole));
  ApplyLevel(whole * kLevelPerPercent);
}
