#pragma once

#include <QFont>
#include <QString>

class QPaintDevice;

namespace toolkit {

// The smallest text drawn, in the screen's own pixels.
inline constexpr int kSmallestTextPixels = 7;

// Text sizes are counted in the screen's own pixels, so a form shrunk to fit
// a screen of scale 4 can still pick between sizes a quarter of a logical
// pixel apart. `device` is what the text is drawn on.
QFont WithScreenPixelSize(QFont font, int screen_pixels, const QPaintDevice& device);

// The largest size, from the base font's down to kSmallestTextPixels, at
// which `text` fits in width x height logical pixels on `device`. Returns the
// smallest size when even that does not fit.
int FittingScreenPixels(const QFont& base, const QString& text, int width, int height,
                        const QPaintDevice& device);

}  // namespace toolkit
