#include "mixer/module1.h"
#include "window/form1.h"
#include "window/percent_text.h"

namespace {

constexpr int kMute = 0;
constexpr int k25 = 25;
constexpr int k50 = 50;
constexpr int k75 = 75;
constexpr int k100 = 100;

}  // namespace

void Form1::Command3_Click() { ApplyPreset(kMute); }
void Form1::Command4_Click() { ApplyPreset(k25); }
void Form1::Command1_Click() { ApplyPreset(k50); }
void Form1::Command5_Click() { ApplyPreset(k75); }
void Form1::Command2_Click() { ApplyPreset(k100); }

// A preset that moves the slider writes twice: once from the slider's change
// handler inside SetValue, and once here.
void Form1::ApplyPreset(int slider_value) {
  VScroll1.SetValue(slider_value);
  const auto value = static_cast<std::int16_t>(VScroll1.Value());
  ApplyLevel(static_cast<std::int32_t>(value) * kLevelPerPercent);
}

void Form1::VScroll1_Change() {
  const auto value = static_cast<std::int16_t>(VScroll1.Value());
  ApplyLevel(static_cast<std::int32_t>(value) * kLevelPerPercent);
}

// A failed write changes nothing visible: the label shows the level asked for.
void Form1::ApplyLevel(std::int32_t level) {
  SetMixerLevel(MixerHandle, MixerControl, level);
  Label1.SetText(PercentText(level));
}
