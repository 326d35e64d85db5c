#include <array>

#include "window/form1.h"
#include "window/party_colours.h"

namespace {

struct CycleStep {
  toolkit::Colour current;
  toolkit::Colour next;
};

constexpr std::array<CycleStep, 5> kCycle{{
    {kRed, kYellow},
    {kYellow, kGreen},
    {kGreen, kCyan},
    {kCyan, kBlue},
    {kBlue, kRed},
}};

}  // namespace

// The background is the cycle's only state; a colour outside the cycle stays.
void Form1::Timer3_Tick() {
  for (const CycleStep& step : kCycle) {
    if (BackColor() == step.current) {
      SetBackColor(step.next);
      return;
    }
  }
}
