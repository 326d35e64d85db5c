#pragma once

#include <QFont>
#include <QString>
#include <tuple>

class QPaintDevice;

namespace toolkit {

// The smallest text drawn, in the screen's own pixels.
inline constexpr int kSmallestTextPixels = 7;
// The narrowest text drawn, in percent of the font's own width.
inline constexpr int kNarrowestStretch = 75;

// How large a text is drawn: its size in the screen's own pixels, and how
// much it is condensed (100 is the font's own width).
struct TextSize {
  int screen_pixels = kSmallestTextPixels;
  int stretch = 100;

  // Smaller is whichever is drawn smaller: fewer pixels, or as many pixels
  // condensed further.
  friend bool operator<(const TextSize& a, const TextSize& b) {
    return std::tie(a.screen_pixels, a.stretch) < std::tie(b.screen_pixels, b.stretch);
  }
};

// Text sizes are counted in the screen's own pixels, so a form shrunk to fit
// a screen of scale 4 can still pick between sizes a quarter of a logical
// pixel apart. `device` is what the text is drawn on.
QFont WithTextSize(QFont font, TextSize size, const QPaintDevice& device);

// The largest size, from the base font's down to kSmallestTextPixels, at
// which `text` fits in width x height logical pixels on `device`. Where even
// the smallest is too wide, the text is condensed until it fits, down to
// kNarrowestStretch: a narrower text is still read, a smaller one is not.
TextSize FittingTextSize(const QFont& base, const QString& text, double width, double height,
                         const QPaintDevice& device);

}  // namespace toolkit
