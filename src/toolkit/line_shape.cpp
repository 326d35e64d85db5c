#include "toolkit/line_shape.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>

#include "toolkit/accessibility.h"
#include "toolkit/form.h"
#include "toolkit/system_colour.h"

namespace toolkit {

class LineWidget : public QWidget {
 public:
  LineWidget(QWidget* parent, QPoint from, QPoint to, Colour colour)
      : QWidget(parent), colour_(colour) {
    const QRect bounds = QRect(from, to).normalized();
    setGeometry(bounds.x(), bounds.y(), std::max(1, bounds.width()), std::max(1, bounds.height()));
    from_ = from - bounds.topLeft();
    to_ = to - bounds.topLeft();
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    painter.setPen(ToQColor(colour_));
    painter.drawLine(from_, to_);
  }

 private:
  Colour colour_;
  QPoint from_;
  QPoint to_;
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
