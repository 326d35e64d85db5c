#include "toolkit/presentation/contrast.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace toolkit {

namespace {

double Linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `colour` with its HSL lightness moved to `lightness` (0..1), in the eight
// bits a channel that it will be painted with.
QColor WithLightness(const QColor& colour, double lightness) {
  const QColor hsl = colour.toHsl();
  return QColor::fromRgb(
      QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), static_cast<float>(lightness)).rgb());
}

// The lightness nearest to the colour's own, towards `end` (0 or 1), at which
// it stands `ratio` apart from `ground`; none when even `end` does not.
std::optional<QColor> Reach(const QColor& colour, const QColor& ground, double ratio, double end) {
  if (ContrastRatio(WithLightness(colour, end), ground) < ratio) return std::nullopt;
  double near = colour.toHsl().lightnessF();
  double far = end;
  for (int step = 0; step < 20; ++step) {  // halving: well below one 8-bit level
    const double middle = (near + far) / 2;
    (ContrastRatio(WithLightness(colour, middle), ground) >= ratio ? far : near) = middle;
  }
  // Rounding to eight bits may take it back under: step on to where it is not.
  QColor result = WithLightness(colour, far);
  for (int nudge = 1; ContrastRatio(result, ground) < ratio && nudge <= 255; ++nudge) {
    result = WithLightness(colour, std::clamp(far + (end - far) * nudge / 255.0, 0.0, 1.0));
  }
  return result;
}

}  // namespace

QColor StandingOut(const QColor& colour, const QColor& ground, double ratio) {
  if (ContrastRatio(colour, ground) >= ratio) return colour;
  const std::optional<QColor> lighter = Reach(colour, ground, ratio, 1.0);
  const std::optional<QColor> darker = Reach(colour, ground, ratio, 0.0);
  if (lighter && darker) {
    const double own = colour.toHsl().lightnessF();
    return std::abs(lighter->lightnessF() - own) <= std::abs(darker->lightnessF() - own) ? *lighter
                                                                                         : *darker;
  }
  if (lighter) return *lighter;
  if (darker) return *darker;
  // Nothing of this hue gets there: the end of black and white further off.
  return Luminance(ground) < 0.18 ? QColor(Qt::white) : QColor(Qt::black);
}

QColor BlackOrWhiteAgainst(const QColor& ground) {
  return ContrastRatio(Qt::white, ground) >= ContrastRatio(Qt::black, ground) ? QColor(Qt::white)
                                                                              : QColor(Qt::black);
}

}  // namespace toolkit
