#include "toolkit/controls/line_shape.h"

#include <QPainter>
#include <QWidget>

#include "toolkit/application/error_report.h"
#include "toolkit/controls/form.h"
#include "toolkit/presentation/accessibility.h"
#include "toolkit/presentation/system_colour.h"

namespace toolkit {

// The line fills its box, which the form scales with the layout: as thick as
// the form is scaled, and ending where it ends in the scaled layout.
class LineWidget : public QWidget {
 public:
  LineWidget(QWidget* parent, Colour colour) : QWidget(parent), colour_(colour) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter(this).fillRect(rect(), ToQColor(colour_));
  }

 private:
  Colour colour_;
};

LineShape::LineShape(Form& form, TwipsPoint from, TwipsPoint to, Colour colour)
    : widget_(form, new LineWidget(form.Widget(), colour)) {
  if (from.x != to.x && from.y != to.y) throw ToolkitError("a line must be horizontal or vertical");
  const QRect box = QRect(QPoint(TwipsToPixels(from.x), TwipsToPixels(from.y)),
                          QPoint(TwipsToPixels(to.x), TwipsToPixels(to.y)))
                        .normalized();
  widget_->setGeometry(box);
  // A line only groups what is around it; it has nothing to say.
  MarkDecorative(widget_.get());
}

LineShape::~LineShape() = default;

void LineShape::SetVisible(bool visible) { widget_->setVisible(visible); }

}  // namespace toolkit
