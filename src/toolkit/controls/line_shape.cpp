#include "toolkit/controls/line_shape.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>

#include "toolkit/controls/form.h"
#include "toolkit/presentation/accessibility.h"
#include "toolkit/presentation/system_colour.h"

namespace toolkit {

class LineWidget : public QWidget {
 public:
  LineWidget(QWidget* parent, QPoint from, QPoint to, Colour colour)
      : QWidget(parent), colour_(colour) {
    const QRect bounds = QRect(from, to).normalized();
    setGeometry(bounds.x(), bounds.y(), std::max(1, bounds.width()), std::max(1, bounds.height()));
    from_ = from - bounds.topLeft();
    to_ = to - bounds.topLeft();
    laid_out_ = size();
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  // The form may draw the line larger than laid out: it is as thick as the
  // form is scaled, and ends where it ends in the scaled layout.
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    if (from_.x() == to_.x() || from_.y() == to_.y()) {
      painter.fillRect(rect(), ToQColor(colour_));
      return;
    }
    const double sx = double(width()) / laid_out_.width();
    const double sy = double(height()) / laid_out_.height();
    painter.setPen(QPen(ToQColor(colour_), std::max(1.0, std::min(sx, sy))));
    painter.drawLine(QPointF(from_.x() * sx, from_.y() * sy), QPointF(to_.x() * sx, to_.y() * sy));
  }

 private:
  Colour colour_;
  QPoint from_;
  QPoint to_;
  QSize laid_out_;  // the size it was given, at the form's scale 1
};

LineShape::LineShape(Form& form, TwipsPoint from, TwipsPoint to, Colour colour)
    : widget_(form,
              new LineWidget(form.Widget(), QPoint(TwipsToPixels(from.x), TwipsToPixels(from.y)),
                             QPoint(TwipsToPixels(to.x), TwipsToPixels(to.y)), colour)) {
  // A line only groups what is around it; it has nothing to say.
  MarkDecorative(widget_.get());
}

LineShape::~LineShape() = default;

void LineShape::SetVisible(bool visible) { widget_->setVisible(visible); }

bool LineShape::Visible() const { return !widget_->isHidden(); }

}  // namespace toolkit
