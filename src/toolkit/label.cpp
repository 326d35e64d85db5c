#include "toolkit/label.h"

#include <QLabel>

#include "toolkit/accessibility.h"
#include "toolkit/form.h"
#include "toolkit/form_layout.h"
#include "toolkit/system_colour.h"

namespace toolkit {

Label::Label(Form& form, const std::string& text, TwipsRect box, int /*tab_index*/)
    : form_(form), label_(new QLabel(QString::fromStdString(text), form.Widget())) {
  // A label never takes the focus, so its tab index orders nothing.
  label_->setGeometry(TwipsToPixels(box.left), TwipsToPixels(box.top), TwipsToPixels(box.width),
                      TwipsToPixels(box.height));
  label_->setAutoFillBackground(false);
  label_->setAttribute(Qt::WA_TranslucentBackground);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setTextFormat(Qt::PlainText);
  form.Layout().AddText(FormLayout::TextKind::kLabel, label_);
}

Label::~Label() {
  form_.Layout().Forget(label_);
  delete label_;
}

void Label::SetText(const std::string& text) {
  label_->setText(QString::fromStdString(text));
  StatusTextShown(label_);
}

std::string Label::Text() const { return label_->text().toStdString(); }

void Label::SetVisible(bool visible) { label_->setVisible(visible); }

bool Label::Visible() const { return !label_->isHidden(); }

void Label::SetForeColor(Colour colour) {
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, ToQColor(colour));
  label_->setPalette(palette);
}

}  // namespace toolkit
