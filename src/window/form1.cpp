#include "window/form1.h"

#include "toolkit/presentation/colour.h"
#include "window/decimal_text.h"
#include "window/party_colours.h"

namespace {

constexpr int kTimerIntervalMs = 1;

}  // namespace

Form1::Form1()
    : Form(kCaption, 10335, 6675),
      Label2(*this, "Volume :", {3000, 2400, 1335, 255}),
      Label1(*this, "??%", {3600, 2400, 1335, 255}),
      VScroll1(*this, {3000, 2640, 4215, 255}, 2, 0, 100),
      Command3(*this, "MUTE", {2880, 3000, 855, 375}, 5),
      Command4(*this, "SET 25%", {3720, 3000, 975, 375}, 6),
      Command1(*this, "SET 50%", {4680, 3000, 855, 375}, 3),
      Command5(*this, "SET 75%", {5520, 3000, 975, 375}, 7),
      Command2(*this, "SET100%", {6480, 3000, 855, 375}, 4),
      Line1(*this, {2880, 3480}, {7320, 3480}, toolkit::kTitleBarText),
      Command6(*this, "PLAY BABY!!!", {3240, 3600, 3735, 375}, 8),
      Command7(*this, "STOP DEVIL!!!", {120, 6120, 975, 495}, 9),
      Label5(*this, kCaption, {8625, 5880, 1590, 195}),
      Label4(*this, "Pumps your volume", {8625, 6120, 1590, 195}),
      Label3(*this, "at a thousand beats a second", {8310, 6360, 1905, 195}),
      Timer1(kTimerIntervalMs),
      Timer2(kTimerIntervalMs),
      Timer3(kTimerIntervalMs) {
  SetIcon(":/blargo/blargo.png");
  SetBackColor(kBlack);
  for (toolkit::Label* label : {&Label1, &Label2, &Label3, &Label4, &Label5}) {
    label->SetForeColor(toolkit::kHighlightText);
  }
  Command7.SetVisible(false);
  VScroll1.SetAccessibleName("Volume");
  VScroll1.SetLabel(Label2);
  // The level is what a screen-reader user waits to hear after every press.
  SetStatusLabel(Label1, "Volume level");

  OnLoad([this] { Form_Load(); });
  Command3.OnClick([this] { Command3_Click(); });
  Command4.OnClick([this] { Command4_Click(); });
  Command1.OnClick([this] { Command1_Click(); });
  Command5.OnClick([this] { Command5_Click(); });
  Command2.OnClick([this] { Command2_Click(); });
  VScroll1.OnChange([this] { VScroll1_Change(); });
  Command6.OnClick([this] { Command6_Click(); });
  Command7.OnClick([this] { Command7_Click(); });
  // Escape stops the flashing at once, whatever has the focus.
  SetCancelButton(Command7);
  Timer1.OnTick([this] { Timer1_Tick(); });
  Timer2.OnTick([this] { Timer2_Tick(); });
  Timer3.OnTick([this] { Timer3_Tick(); });
}

void Form1::Form_Load() { RampLevel = NumberText(0); }
