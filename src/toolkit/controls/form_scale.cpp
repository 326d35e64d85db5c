#include "toolkit/controls/form_scale.h"

#include <QFont>
#include <QFontInfo>
#include <algorithm>

namespace toolkit {

namespace {

constexpr double kLayoutFontPixels = 12.0;
// The share of a screen an untold panel or dock is allowed: a desktop's top
// bar or dock takes between a twentieth and a tenth of a small screen.
constexpr double kUntoldPanels = 0.1;

}  // namespace

double TextScale(const QFont& desktop_font) {
  return std::max(1.0, QFontInfo(desktop_font).pixelSize() / kLayoutFontPixels);
}

double FittingScale(double text_scale, QSizeF layout, QSizeF frame, QSizeF available) {
  if (layout.isEmpty()) return text_scale;
  const double across = (available.width() - frame.width()) / layout.width();
  const double down = (available.height() - frame.height()) / layout.height();
  // A screen too small for even a sliver of the form leaves a sliver.
  return std::max(0.1, std::min({text_scale, across, down}));
}

QSizeF FreeRoom(QSizeF available, QSizeF whole, bool panels_told) {
  if (panels_told || available != whole) return available;
  return available * (1.0 - kUntoldPanels);
}

}  // namespace toolkit
