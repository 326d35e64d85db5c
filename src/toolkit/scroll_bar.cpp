#include "toolkit/scroll_bar.h"

#include <QLabel>
#include <QScrollBar>
#include <string>

#include "toolkit/error_report.h"
#include "toolkit/form.h"
#include "toolkit/form_layout.h"
#include "toolkit/label.h"

namespace toolkit {

HScrollBar::HScrollBar(Form& form, TwipsRect box, int tab_index, int minimum, int maximum)
    : form_(form), bar_(new QScrollBar(Qt::Horizontal, form.Widget())) {
  bar_->setGeometry(TwipsToPixels(box.left), TwipsToPixels(box.top), TwipsToPixels(box.width),
                    TwipsToPixels(box.height));
  bar_->setRange(minimum, maximum);
  bar_->setSingleStep(1);
  bar_->setPageStep(1);
  // Without tracking, valueChanged comes once on release of a dragged thumb
  // instead of on every pixel of the drag.
  bar_->setTracking(false);
  bar_->setFocusPolicy(Qt::StrongFocus);
  // Qt inverts a scroll bar's keys and wheel for scrolling content; here the
  // right arrow key and the wheel turned up mean more.
  bar_->setInvertedControls(false);
  // Auto-connection would be direct anyway; say so, since a code set relies on
  // the handler having run before SetValue returns.
  QObject::connect(
      bar_, &QScrollBar::valueChanged, bar_, [this] { RunHandler(change_); }, Qt::DirectConnection);
  form.Layout().AddTabStop(tab_index, bar_);
}

HScrollBar::~HScrollBar() {
  form_.Layout().Forget(bar_);
  delete bar_;
}

void HScrollBar::OnChange(std::function<void()> handler) { change_ = std::move(handler); }

int HScrollBar::Value() const { return bar_->value(); }

void HScrollBar::SetValue(int value) {
  // Qt would clamp silently; an out-of-range set is the caller's error.
  if (value < bar_->minimum() || value > bar_->maximum()) {
    throw ToolkitError("invalid property value: " + std::to_string(value) +
                       " is outside the scroll bar's range " + std::to_string(bar_->minimum()) +
                       ".." + std::to_string(bar_->maximum()));
  }
  bar_->setValue(value);
}

int HScrollBar::Minimum() const { return bar_->minimum(); }

int HScrollBar::Maximum() const { return bar_->maximum(); }

void HScrollBar::SetAccessibleName(const std::string& name) {
  bar_->setAccessibleName(QString::fromStdString(name));
}

void HScrollBar::SetLabel(const Label& label) { label.label_->setBuddy(bar_); }

}  // namespace toolkit
