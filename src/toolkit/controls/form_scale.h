#pragma once

#include <QSizeF>

class QFont;

namespace toolkit {

// How much larger than its layout a form is drawn, in logical pixels. The
// layout is made for Qt's own default font, 9 points at 96 dpi (12 pixels): a
// larger desktop font makes the whole form larger, as forms follow their
// font elsewhere; a smaller one leaves it as laid out.
double TextScale(const QFont& desktop_font);

// The text scale, unless the form with its window frame would not then fit
// the screen's free area: then the largest scale at which it does, so the
// whole form keeps its proportions and stays on the screen.
double FittingScale(double text_scale, QSizeF layout, QSizeF frame, QSizeF available);

// The room a form may fill on a screen whose free area is `available` of
// `whole`. A platform that cannot tell the room the desktop's panels and docks
// take (Wayland reports every output wholly free) would have the form run
// under a panel and off the screen, so a tenth of each side is left to them.
QSizeF FreeRoom(QSizeF available, QSizeF whole, bool panels_told);

}  // namespace toolkit
