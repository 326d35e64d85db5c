#include "support/widget_of.h"

#include <QLabel>
#include <QPushButton>

#include "toolkit/controls/command_button.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/label.h"
#include "toolkit/controls/line_shape.h"
#include "toolkit/controls/scroll_bar.h"
#include "toolkit/presentation/presenter.h"

namespace toolkit {

namespace {

// The controls keep their widgets to themselves: the program needs no way
// in from outside. The tests name the private members where the language
// checks no access, in an explicit instantiation; each Tag's MemberOf then
// returns the member it was instantiated with. A member renamed breaks this
// build, never a test's meaning.
template <typename Tag, typename Tag::Type kMember>
struct Reach {
  friend typename Tag::Type MemberOf(Tag /*tag*/) { return kMember; }
};

struct TheFormsWidget {
  using Type = QWidget* (Form::*)() const;
  friend Type MemberOf(TheFormsWidget /*tag*/);
};
struct TheFormsPacer {
  using Type = Presenter& (Form::*)() const;
  friend Type MemberOf(TheFormsPacer /*tag*/);
};
struct TheButtonsWidget {
  using Type = OnForm<QPushButton> CommandButton::*;
  friend Type MemberOf(TheButtonsWidget /*tag*/);
};
struct TheLabelsWidget {
  using Type = OnForm<QLabel> Label::*;
  friend Type MemberOf(TheLabelsWidget /*tag*/);
};
struct TheBarsWidget {
  using Type = OnForm<ScrollBarWidget> HScrollBar::*;
  friend Type MemberOf(TheBarsWidget /*tag*/);
};
struct TheLinesWidget {
  using Type = OnForm<QWidget> LineShape::*;
  friend Type MemberOf(TheLinesWidget /*tag*/);
};

template struct Reach<TheFormsWidget, &Form::Widget>;
template struct Reach<TheFormsPacer, &Form::Pacer>;
template struct Reach<TheButtonsWidget, &CommandButton::button_>;
template struct Reach<TheLabelsWidget, &Label::label_>;
template struct Reach<TheBarsWidget, &HScrollBar::bar_>;
template struct Reach<TheLinesWidget, &LineShape::widget_>;

}  // namespace

QWidget* WidgetOf(const Form& form) { return (form.*MemberOf(TheFormsWidget{}))(); }
QWidget* WidgetOf(const CommandButton& button) {
  return (button.*MemberOf(TheButtonsWidget{})).get();
}
QWidget* WidgetOf(const Label& label) { return (label.*MemberOf(TheLabelsWidget{})).get(); }
QWidget* WidgetOf(const HScrollBar& bar) { return (bar.*MemberOf(TheBarsWidget{})).Get(); }
QWidget* WidgetOf(const LineShape& line) { return (line.*MemberOf(TheLinesWidget{})).get(); }
void PresentNow(const Form& form) { (form.*MemberOf(TheFormsPacer{}))().Flush(); }

}  // namespace toolkit
