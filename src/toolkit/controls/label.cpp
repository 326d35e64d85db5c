#include "toolkit/controls/label.h"

#include <QLabel>

#include "toolkit/controls/form.h"
#include "toolkit/controls/form_layout.h"
#include "toolkit/controls/place.h"
#include "toolkit/presentation/status_notice.h"
#include "toolkit/presentation/system_colour.h"

namespace toolkit {

Label::Label(Form& form, const std::string& text, TwipsRect box)
    : form_(form),
      label_(form, new QLabel(QString::fromStdString(text), form.Widget())),
      text_(text) {
  PlaceInTwips(label_.get(), box);
  label_->setAutoFillBackground(false);
  label_->setAttribute(Qt::WA_TranslucentBackground);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label_->setTextFormat(Qt::PlainText);
  // A label with a name of its own raises no name change on every new text:
  // Announce sets the name, at the pace assistive technology can follow.
  label_->setAccessibleName(QString::fromStdString(text));
  form.Layout().AddText(FormLayout::TextKind::kLabel, label_.get());
}

Label::~Label() { form_.Pacer().Forget(this); }

void Label::SetText(const std::string& text) {
  if (text == text_) {
    StatusTextSetAgain(label_.get());
    return;
  }
  text_ = text;
  form_.Pacer().Changed(this);
}

const std::string& Label::Text() const { return text_; }

void Label::Present() { label_->setText(QString::fromStdString(text_)); }

void Label::Announce() {
  const QString name = QString::fromStdString(text_);
  if (label_->accessibleName() != name) label_->setAccessibleName(name);
  StatusTextShown(label_.get());
}

void Label::SetVisible(bool visible) { label_->setVisible(visible); }

bool Label::Visible() const { return !label_->isHidden(); }

void Label::SetForeColor(Colour colour) {
  QPalette palette = label_->palette();
  palette.setColor(QPalette::WindowText, ToQColor(colour));
  label_->setPalette(palette);
}

}  // namespace toolkit
