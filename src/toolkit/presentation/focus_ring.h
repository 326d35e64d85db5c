#pragma once

#include <QColor>

class QPainter;
class QRect;

namespace toolkit {

// Some styles show nothing on a focused control of some kinds (Fusion's
// scroll bar looks the same focused or not), and a keyboard user then cannot
// tell where the keys go. This ring marks it: two bands along the inside of
// `box`, the outer one in black or white against `outside` (what surrounds
// the control), the inner one against `inside` (the control's own face).
// Each band faces the colour it must stand out from, so the ring stands out
// at least 4.6:1 on both of its edges whatever either colour is, even on a
// window whose background changes colour.
void PaintFocusRing(QPainter& painter, const QRect& box, const QColor& outside,
                    const QColor& inside);

}  // namespace toolkit
