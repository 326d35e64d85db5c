#include <algorithm>
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

// The background is the cycle's only state, read afresh for each row; a
// colour outside the cycle stays.
void Form1::Timer3_Tick() {
  const auto* row = std::find_if(kCycle.begin(), kCycle.end(), [this](const CycleStep& step) {
    return BackColor() == step.current;
  });
  if (row != kCycle.end()) SetBackColor(row->next);
}
