#pragma once

#include <QRgb>
#include <algorithm>
#include <cmath>

// WCAG's relative luminance and contrast ratio, worked out here rather than
// taken from the program, so a fault in its arithmetic cannot hide itself.
namespace wcag {

inline double Linear(int channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

inline double Luminance(QRgb rgb) {
  return 0.2126 * Linear(qRed(rgb)) + 0.7152 * Linear(qGreen(rgb)) + 0.0722 * Linear(qBlue(rgb));
}

inline double Contrast(QRgb a, QRgb b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace wcag
