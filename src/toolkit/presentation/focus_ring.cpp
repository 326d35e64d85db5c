#include "toolkit/presentation/focus_ring.h"

#include <QApplication>
#include <QEvent>
#include <QMarginsF>
#include <QMoveEvent>
#include <QObject>
#include <QPaintDevice>
#include <QPainter>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QResizeEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "toolkit/presentation/contrast.h"

namespace toolkit {

namespace {

// Marks a control that wears its ring around it.
constexpr const char* kRingAround = "blargo-ring-around";

// One logical pixel, in whole device pixels, so no band is blended into its
// neighbours on a scaled screen.
double Band(const QPainter& painter) {
  const double ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
  return std::max(1.0, std::round(ratio)) / ratio;
}

// How far a ring around a control reaches out from it, in logical pixels:
// three bands, each at most four thirds of a pixel (at a ratio of 1.5), and
// a pixel for rounding.
constexpr int kAroundReach = 5;

void PaintBand(QPainter& painter, const QRectF& box, const QMarginsF& widths,
               const QColor& colour) {
  const double between = box.height() - widths.top() - widths.bottom();
  painter.fillRect(QRectF(box.left(), box.top(), box.width(), widths.top()), colour);
  painter.fillRect(QRectF(box.left(), box.bottom() - widths.bottom(), box.width(), widths.bottom()),
                   colour);
  painter.fillRect(QRectF(box.left(), box.top() + widths.top(), widths.left(), between), colour);
  painter.fillRect(
      QRectF(box.right() - widths.right(), box.top() + widths.top(), widths.right(), between),
      colour);
}

void PaintBand(QPainter& painter, const QRectF& box, double width, const QColor& colour) {
  PaintBand(painter, box, QMarginsF(width, width, width, width), colour);
}

// The sides of `control` that another control touches or overlaps, each
// `width` thick. Widgets that take no focus (labels, lines) are left out:
// they paint nothing over the window but their ink, which keeps clear of
// the controls.
QMarginsF SidesTouched(const QWidget& control, double width) {
  QMarginsF touched;
  const QWidget* parent = control.parentWidget();
  if (parent == nullptr) return touched;
  const QRect own = control.rect();
  const QRect reach = own.adjusted(-1, -1, 1, 1);
  const QList<QWidget*> siblings = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (const QWidget* sibling : siblings) {
    if (sibling == &control || sibling->isHidden() || sibling->isWindow() ||
        sibling->focusPolicy() == Qt::NoFocus) {
      continue;
    }
    const QRect shared = sibling->geometry().translated(-control.pos()).intersected(reach);
    if (shared.isEmpty()) continue;
    if (shared.width() <= shared.height()) {
      if (shared.center().x() < own.center().x()) {
        touched.setLeft(width);
      } else {
        touched.setRight(width);
      }
    } else if (shared.center().y() < own.center().y()) {
      touched.setTop(width);
    } else {
      touched.setBottom(width);
    }
  }
  return touched;
}

// While its control has the focus, masks off each sibling stacked over it
// where the two overlap; gives each its own shape back when the focus goes.
// Raising the control instead would reorder its parent's children, which is
// the order assistive technology lists the controls in.
class FocusUncoverer : public QObject {
 public:
  explicit FocusUncoverer(QWidget& control) : QObject(&control), control_(control) {}

 protected:
  bool eventFilter(QObject* /*control*/, QEvent* event) override {
    switch (event->type()) {
      case QEvent::FocusIn:
        Uncover();
        break;
      case QEvent::FocusOut:
        GiveBack();
        break;
      case QEvent::Move:
      case QEvent::Resize:  // the form scaled to another screen
        if (!masked_.empty()) {
          GiveBack();
          Uncover();
        }
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void Uncover() {
    const QWidget* parent = control_.parentWidget();
    if (parent == nullptr) return;
    const QObjectList& siblings = parent->children();
    for (qsizetype i = siblings.indexOf(&control_) + 1; i < siblings.size(); ++i) {
      auto* sibling = qobject_cast<QWidget*>(siblings.at(i));
      if (sibling == nullptr || sibling->isWindow()) continue;
      const QRect shared = sibling->geometry().intersected(control_.geometry());
      if (shared.isEmpty()) continue;
      const QRegion shape = sibling->mask().isEmpty() ? QRegion(sibling->rect()) : sibling->mask();
      masked_.emplace_back(sibling, sibling->mask());
      sibling->setMask(shape - QRegion(shared.translated(-sibling->pos())));
    }
  }

  void GiveBack() {
    for (const auto& [sibling, shape] : masked_) {
      if (sibling != nullptr) sibling->setMask(shape);  // an empty shape clears the mask
    }
    masked_.clear();
  }

  QWidget& control_;
  std::vector<std::pair<QPointer<QWidget>, QRegion>> masked_;  // with the shape each had
};

class RingAroundRepainter : public QObject {
 public:
  explicit RingAroundRepainter(QWidget& control) : QObject(&control), control_(control) {}

 protected:
  bool eventFilter(QObject* /*control*/, QEvent* event) override {
    QWidget* parent = control_.parentWidget();
    if (parent == nullptr) return false;
    const auto around = [](const QRect& box) {
      return box.adjusted(-kAroundReach, -kAroundReach, kAroundReach, kAroundReach);
    };
    switch (event->type()) {
      case QEvent::FocusIn:
      case QEvent::FocusOut:
      case QEvent::Show:
      case QEvent::Hide:
        parent->update(around(control_.geometry()));
        break;
      case QEvent::Move:
        parent->update(around(QRect(dynamic_cast<QMoveEvent&>(*event).oldPos(), control_.size())));
        parent->update(around(control_.geometry()));
        break;
      case QEvent::Resize:
        parent->update(
            around(QRect(control_.pos(), dynamic_cast<QResizeEvent&>(*event).oldSize())));
        parent->update(around(control_.geometry()));
        break;
      default:
        break;
    }
    return false;
  }

 private:
  QWidget& control_;
};

}  // namespace

void PaintFocusRing(QPainter& painter, const QWidget& control, const QColor& outside,
                    const QColor& inside) {
  const double band = Band(painter);
  const QRectF box(control.rect());
  const QMarginsF touched = SidesTouched(control, band);
  const QRectF outer = box - touched;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  // The window's colour, where a neighbour's border stood.
  PaintBand(painter, box, touched, outside);
  PaintBand(painter, outer, band, BlackOrWhiteAgainst(outside));
  const QRectF inner = outer.adjusted(band, band, -band, -band);
  PaintBand(painter, inner, band, BlackOrWhiteAgainst(inside));
  // And the face's own colour inside it, where a part of the control (a
  // scroll bar's thumb at either end) would otherwise meet the inner band.
  PaintBand(painter, inner.adjusted(band, band, -band, -band), band, inside);
  painter.restore();
}

void RingAround(QWidget& control) {
  control.setProperty(kRingAround, true);
  control.installEventFilter(new RingAroundRepainter(control));
}

void PaintRingsAround(QPainter& painter, const QWidget& parent, const QColor& window) {
  const QWidget* focused = QApplication::focusWidget();
  if (focused == nullptr || focused->parentWidget() != &parent || !focused->isVisible() ||
      !focused->property(kRingAround).toBool()) {
    return;
  }
  const double band = Band(painter);
  const QRectF line =
      QRectF(focused->geometry()).adjusted(-3 * band, -3 * band, 3 * band, 3 * band);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  PaintBand(painter, line, 2 * band, BlackOrWhiteAgainst(window));
  PaintBand(painter, line.adjusted(2 * band, 2 * band, -2 * band, -2 * band), band, window);
  painter.restore();
}

void UncoverWhileFocused(QWidget& control) {
  control.installEventFilter(new FocusUncoverer(control));
}

}  // namespace toolkit
