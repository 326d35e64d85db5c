#pragma once

#include <cstdint>
#include <string>

#include "identity/program_identity.h"
#include "mixer/setter/module1.h"
#include "toolkit/controls/command_button.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/label.h"
#include "toolkit/controls/line_shape.h"
#include "toolkit/controls/scroll_bar.h"
#include "toolkit/time/timer.h"

// The program's one window. Controls keep their numbered names; every
// behaviour is a handler of one notification of one control.
class Form1 : public toolkit::Form {
 public:
  static constexpr const char* kCaption = identity::kCaption;

  Form1();

  toolkit::Label Label2;
  toolkit::Label Label1;
  toolkit::HScrollBar VScroll1;  // horizontal, despite the name
  toolkit::CommandButton Command3;
  toolkit::CommandButton Command4;
  toolkit::CommandButton Command1;
  toolkit::CommandButton Command5;
  toolkit::CommandButton Command2;
  toolkit::LineShape Line1;
  toolkit::CommandButton Command6;
  toolkit::CommandButton Command7;
  toolkit::Label Label5;
  toolkit::Label Label4;
  toolkit::Label Label3;
  toolkit::Timer Timer1;
  toolkit::Timer Timer2;
  toolkit::Timer Timer3;

  // The party ramp's position in percent, as decimal text.
  std::string RampLevel;
  // Never assigned: every write goes to mixer device 0, control 0.
  std::int32_t MixerHandle = 0;
  MIXERCONTROL MixerControl{};

 private:
  void Form_Load();

  // Manual volume control.
  void Command3_Click();
  void Command4_Click();
  void Command1_Click();
  void Command5_Click();
  void Command2_Click();
  void VScroll1_Change();
  void ApplyPreset(int slider_value);
  // Ignores whether the mixer took `level`: a failed write changes nothing
  // visible, the label shows the level asked for.
  void ApplyLevel(std::int32_t level);

  // Party mode.
  void Command6_Click();
  void Command7_Click();
  void Timer1_Tick();
  void Timer2_Tick();
  void RampStep(double r);
  void Timer3_Tick();
};
