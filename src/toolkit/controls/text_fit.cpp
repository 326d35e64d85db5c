#include "toolkit/controls/text_fit.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>

namespace toolkit {

QFont WithTextSize(QFont font, TextSize size, const QPaintDevice& device) {
  const double ratio = device.devicePixelRatioF();
  const double logical = size.screen_pixels / ratio;
  if (logical == std::floor(logical)) {
    // Whole logical pixels where they are whole: hinted as the desktop's own text.
    font.setPixelSize(static_cast<int>(logical));
  } else {
    font.setPointSizeF(logical * 72.0 / device.logicalDpiY());
  }
  // Qt draws a font without a condensed face of its own condensed as asked.
  font.setStretch(size.stretch);
  return font;
}

TextSize FittingTextSize(const QFont& base, const QString& text, double width, double height,
                         const QPaintDevice& device) {
  const auto fits = [&](TextSize size) {
    const QFontMetricsF metrics(WithTextSize(base, size, device), &device);
    return metrics.horizontalAdvance(text) <= width && metrics.height() <= height;
  };
  const int largest = std::max(
      kSmallestTextPixels,
      static_cast<int>(std::lround(QFontInfo(base).pixelSize() * device.devicePixelRatioF())));
  for (TextSize size{largest, 100}; size.screen_pixels > kSmallestTextPixels;
       --size.screen_pixels) {
    if (fits(size)) return size;
  }
  TextSize size{kSmallestTextPixels, 100};
  while (size.stretch > kNarrowestStretch && !fits(size)) --size.stretch;
  return size;
}

}  // namespace toolkit
