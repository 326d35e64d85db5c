#include "window/percent_text.h"

#include "window/decimal_text.h"
#include "window/mixer_level.h"

std::string PercentText(std::int32_t level) {
  const double percent = static_cast<double>(level) / kLevelPerPercent;
  return NumberText(TextValue(NumberText(percent))) + "%";
}
