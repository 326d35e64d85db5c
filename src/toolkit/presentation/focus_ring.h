#pragma once

#include <QColor>

class QPainter;
class QWidget;

namespace toolkit {

// Some styles show nothing on a focused control of some kinds (Fusion's
// scroll bar looks the same focused or not), and a keyboard user then cannot
// tell where the keys go. This ring marks it: two bands along the inside of
// `control`, the outer one in black or white against `outside` (the window's
// colour around the control), the inner one against `inside` (the control's
// own face). Each band faces the colour it must stand out from, so the ring
// stands out at least 4.6:1 on both of its edges whatever either colour is,
// even on a window whose background changes colour. A line of the face's
// colour inside the ring keeps the control's own parts (a scroll bar's thumb)
// from meeting it.
//
// Where another control touches or overlaps this one (the form's presets
// overlap by a pixel) the outer band would meet that control's border, in a
// colour it was not chosen against; on that side a line of the window's own
// colour is laid first, and the ring runs inside it.
void PaintFocusRing(QPainter& painter, const QWidget& control, const QColor& outside,
                    const QColor& inside);

// Keeps every side of `control`'s ring in sight while it has the focus: a
// neighbour stacked over it (the next preset overlaps it by a pixel) leaves
// the overlap to it until the focus goes. The stacking order stays as it is.
void UncoverWhileFocused(QWidget& control);

}  // namespace toolkit
