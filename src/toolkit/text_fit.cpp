#include "toolkit/text_fit.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <algorithm>

namespace toolkit {

QFont WithPixelSize(QFont font, int pixels) {
  font.setPixelSize(pixels);
  return font;
}

int FittingPixelSize(const QFont& base, const QString& text, int width, int height, int smallest) {
  const int largest = std::max(smallest, QFontInfo(base).pixelSize());
  for (int pixels = largest; pixels > smallest; --pixels) {
    const QFontMetrics metrics(WithPixelSize(base, pixels));
    if (metrics.horizontalAdvance(text) <= width && metrics.height() <= height) return pixels;
  }
  return smallest;
}

}  // namespace toolkit
