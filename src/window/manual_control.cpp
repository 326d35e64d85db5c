#include "mixer/setter/module1.h"
#include "window/form1.h"
#include "window/mixer_level.h"
#include "window/percent_text.h"

namespace {

constexpr int kSilence = 0;
constexpr int kQuarter = 25;
constexpr int kHalf = 50;
constexpr int kThreeQuarters = 75;
constexpr int kFull = 100;

}  // namespace

void Form1::Command3_Click() { ApplyPreset(kSilence); }
void Form1::Command4_Click() { ApplyPreset(kQuarter); }
void Form1::Command1_Click() { ApplyPreset(kHalf); }
void Form1::Command5_Click() { ApplyPreset(kThreeQuarters); }
void Form1::Command2_Click() { ApplyPreset(kFull); }

// A preset that moves the slider writes twice: once from the slider's change
// handler inside SetValue, and once more here, from the value read back.
void Form1::ApplyPreset(int slider_value) {
  VScroll1.SetValue(slider_value);
  VScroll1_Change();
}

void Form1::VScroll1_Change() {
  const auto value = static_cast<std::int16_t>(VScroll1.Value());
  ApplyLevel(static_cast<std::int32_t>(value) * kLevelPerPercent);
}

void Form1::ApplyLevel(std::int32_t level) {
  SetMixerLevel(MixerHandle, MixerControl, level);
  Label1.SetText(PercentText(level));
}
