#include "toolkit/controls/label.h"

#include <QLabel>
#include <QPainter>
#include <QStaticText>
#include <algorithm>
#include <cstddef>
#include <deque>

#include "toolkit/controls/form.h"
#include "toolkit/controls/form_layout.h"
#include "toolkit/controls/place.h"
#include "toolkit/presentation/status_notice.h"
#include "toolkit/presentation/system_colour.h"

namespace toolkit {

namespace {

// A QLabel that keeps its texts' layouts between paints. Party mode repaints
// the window every frame (its background changes), and QLabel lays its text
// out and shapes it again at every paint; the layouts kept here are made
// again only when the font changes. The level's label takes a new text at
// nearly every frame, but only the ramp's fourteen, so the last few texts
// keep theirs. It draws what QLabel draws for the plain one-line labels of
// this toolkit (clipped to the label, as QLabel's is), and leaves any other
// kind to QLabel.
class LabelWidget : public QLabel {
 public:
  LabelWidget(const QString& text, QWidget* parent) : QLabel(text, parent) {}

 protected:
  void paintEvent(QPaintEvent* event) override {
    const QString& shown = text();
    if (shown.isEmpty() || textFormat() != Qt::PlainText || wordWrap() || margin() != 0 ||
        indent() > 0 || frameWidth() != 0 || alignment() != (Qt::AlignLeft | Qt::AlignTop) ||
        layoutDirection() != Qt::LeftToRight || !isEnabled() || shown.contains(QLatin1Char('&')) ||
        shown.contains(QLatin1Char('\n'))) {
      QLabel::paintEvent(event);
      return;
    }
    QPainter painter(this);
    painter.setPen(QPen(palette().brush(foregroundRole()), painter.pen().widthF()));
    // Laid out again by the painter when the label's font is not the one
    // it was laid out in.
    painter.drawStaticText(contentsRect().topLeft(), LaidOut(shown));
  }

 private:
  // The ramp's fourteen levels, with room for a few texts more.
  static constexpr std::size_t kTextsKept = 24;

  const QStaticText& LaidOut(const QString& shown) {
    const auto kept =
        std::find_if(laid_out_.begin(), laid_out_.end(),
                     [&shown](const QStaticText& text) { return text.text() == shown; });
    if (kept != laid_out_.end()) return *kept;
    if (laid_out_.size() == kTextsKept) laid_out_.pop_front();
    QStaticText text(shown);
    text.setTextFormat(Qt::PlainText);
    laid_out_.push_back(std::move(text));
    return laid_out_.back();
  }

  std::deque<QStaticText> laid_out_;
};

}  // namespace

Label::Label(Form& form, const std::string& text, TwipsRect box)
    : form_(form),
      label_(form, new LabelWidget(QString::fromStdString(text), form.Widget())),
      text_(text) {
  PlaceInTwips(label_.get(), box);
  label_->setAutoFillBackground(false);
  label_->setAttribute(Qt::WA_TranslucentBackground);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setTextFormat(Qt::PlainText);
  form.Layout().AddText(label_.get());
}

Label::~Label() { form_.Pacer().Forget(this); }

void Label::SetText(const std::string& text) {
  if (text == text_) {
    if (status_) status_->SetAgain();
    return;
  }
  text_ = text;
  form_.Pacer().Changed(this);
  if (status_) status_->Changed(QString::fromStdString(text_));
}

const std::string& Label::Text() const { return text_; }

void Label::Present() { label_->setText(QString::fromStdString(text_)); }

void Label::SetVisible(bool visible) { label_->setVisible(visible); }

void Label::SetForeColor(Colour colour) {
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, ToQColor(colour));
  label_->setPalette(palette);
}

}  // namespace toolkit
