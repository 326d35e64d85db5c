#pragma once

#include <QColor>

class QPainter;
class QWidget;

namespace toolkit {

// Some styles show nothing on a focused control of some kinds (Fusion's
// scroll bar looks the same focused or not), or too little to see, and a
// keyboard user then cannot tell where the keys go. This ring marks it: two
// bands along the inside of `control`, the outer one in black or white
// against `outside` (the window's colour around the control), the inner one
// against `inside` (the control's own face). Each band faces the colour it
// must stand out from, so the ring stands out at least 4.6:1 on both of its
// edges whatever either colour is, even on a window whose background changes
// colour. A line of the face's colour inside the ring keeps what the control
// draws on its face (a button's caption) from meeting it.
//
// Where another control touches or overlaps this one (the form's presets
// overlap by a pixel) the outer band would meet that control's border, in a
// colour it was not chosen against; on that side a line of the window's own
// colour is laid first, and the ring runs inside it.
void PaintFocusRing(QPainter& painter, const QWidget& control, const QColor& outside,
                    const QColor& inside);

// Some controls draw their own parts out to their edge: a scroll bar's
// thumb lies a pixel from its border in Adwaita's styles, its arrows' frames
// reach it in the Windows style. A ring over that edge covers them: at a
// scale of 2, where the style draws its lines a device pixel wide and each
// band of the ring is two, it hides the whole of Adwaita's thumb, and each
// band lies over light and dark lines at once, standing out from neither
// everywhere. Such a control wears its ring around it instead, on the
// window: a band of the window's own colour clear of the control, then a
// line, two bands wide, black or white against the window's colour. The
// line then meets nothing but the window, whatever the style draws, and the
// control is seen whole. The control needs that much room around it, free
// of other controls. Marks `control` for it, and has the window repainted
// around it as its focus comes and goes.
void RingAround(QWidget& control);

// Paints, on `parent`, the ring of the child marked by RingAround that has
// the focus, if one has it, against `window`: the colour `parent` shows.
void PaintRingsAround(QPainter& painter, const QWidget& parent, const QColor& window);

// Keeps every side of `control`'s ring in sight while it has the focus: a
// neighbour stacked over it (the next preset overlaps it by a pixel) leaves
// the overlap to it until the focus goes. The stacking order stays as it is.
void UncoverWhileFocused(QWidget& control);

}  // namespace toolkit
