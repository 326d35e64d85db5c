#include "toolkit/text_fit.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <algorithm>
#include <cmath>

namespace toolkit {

QFont WithScreenPixelSize(QFont font, int screen_pixels, const QPaintDevice& device) {
  const double ratio = device.devicePixelRatioF();
  const double logical = screen_pixels / ratio;
  if (logical == std::floor(logical)) {
    // Whole logical pixels where they are whole: hinted as the desktop's own text.
    font.setPixelSize(static_cast<int>(logical));
  } else {
    font.setPointSizeF(logical * 72.0 / device.logicalDpiY());
  }
  return font;
}

int FittingScreenPixels(const QFont& base, const QString& text, int width, int height,
                        const QPaintDevice& device) {
  const int largest = std::max(
      kSmallestTextPixels,
      static_cast<int>(std::lround(QFontInfo(base).pixelSize() * device.devicePixelRatioF())));
  for (int pixels = largest; pixels > kSmallestTextPixels; --pixels) {
    const QFontMetricsF metrics(WithScreenPixelSize(base, pixels, device), &device);
    if (metrics.horizontalAdvance(text) <= width && metrics.height() <= height) return pixels;
  }
  return kSmallestTextPixels;
}

}  // namespace toolkit
