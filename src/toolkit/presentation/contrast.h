#pragma once

#include <QColor>

namespace toolkit {

// How far apart two colours are to the eye is WCAG's contrast ratio, from 1
// (the same) to 21 (black and white). Controls need 3 against what is around
// them, text 4.5.
inline constexpr double kControlContrast = 3.0;
inline constexpr double kTextContrast = 4.5;

// `colour`, or where it is too close to `ground`, the nearest colour of the
// same hue, lighter or darker (whichever gets there), that stands `ratio` apart
// from it.
QColor StandingOut(const QColor& colour, const QColor& ground, double ratio);

// Black or white, whichever stands further from `ground`: never less than
// about 4.6:1 from any colour, so it stands out from a ground that may be any.
QColor BlackOrWhiteAgainst(const QColor& ground);

}  // namespace toolkit
