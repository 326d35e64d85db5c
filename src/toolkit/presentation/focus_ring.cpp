#include "toolkit/presentation/focus_ring.h"

#include <QPaintDevice>
#include <QPainter>
#include <QRect>
#include <QRectF>
#include <algorithm>
#include <cmath>

#include "toolkit/presentation/contrast.h"

namespace toolkit {

namespace {

// A band `width` wide along the inside of `box`.
void PaintBand(QPainter& painter, const QRectF& box, double width, const QColor& colour) {
  painter.fillRect(QRectF(box.left(), box.top(), box.width(), width), colour);
  painter.fillRect(QRectF(box.left(), box.bottom() - width, box.width(), width), colour);
  painter.fillRect(QRectF(box.left(), box.top() + width, width, box.height() - 2 * width), colour);
  painter.fillRect(QRectF(box.right() - width, box.top() + width, width, box.height() - 2 * width),
                   colour);
}

}  // namespace

void PaintFocusRing(QPainter& painter, const QRect& box, const QColor& outside,
                    const QColor& inside) {
  // One logical pixel a band, in whole device pixels, so neither band is
  // blended into its neighbours on a scaled screen.
  const double ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
  const double band = std::max(1.0, std::round(ratio)) / ratio;
  const QRectF outer(box);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  PaintBand(painter, outer, band, BlackOrWhiteAgainst(outside));
  PaintBand(painter, outer.adjusted(band, band, -band, -band), band, BlackOrWhiteAgainst(inside));
  painter.restore();
}

}  // namespace toolkit
