#include "window/form1.h"
#include "window/party_colours.h"

void Form1::Command6_Click() {
  Command1.SetVisible(false);
  Command2.SetVisible(false);
  Command3.SetVisible(false);
  Command4.SetVisible(false);
  Command5.SetVisible(false);
  Command6.SetVisible(false);
  Command7.SetVisible(true);
  // The one control left is the one the keyboard must reach at once.
  Command7.SetFocus();
  Line1.SetVisible(false);
  // The ramp goes on from wherever RampLevel stands.
  Timer1.SetEnabled(true);
  SetBackColor(kRed);
  Timer3.SetEnabled(true);
}

// The volume stays at the last level the ramp wrote.
void Form1::Command7_Click() {
  Timer1.SetEnabled(false);
  Timer2.SetEnabled(false);
  Command1.SetVisible(true);
  Command2.SetVisible(true);
  Command3.SetVisible(true);
  Command4.SetVisible(true);
  Command5.SetVisible(true);
  Command6.SetVisible(true);
  Command6.SetFocus();
  Command7.SetVisible(false);
  Label1.SetVisible(true);
  Label2.SetVisible(true);
  Line1.SetVisible(true);
  Timer3.SetEnabled(false);
  SetBackColor(kBlack);
}
