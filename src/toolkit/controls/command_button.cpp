#include "toolkit/controls/command_button.h"

#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "toolkit/application/error_report.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/form_layout.h"
#include "toolkit/controls/place.h"
#include "toolkit/presentation/focus_ring.h"
#include "toolkit/presentation/system_colour.h"

namespace toolkit {

namespace {

// Qt's painter reads a caption in the application's direction, not the
// button's: under a right-to-left desktop language "PLAY BABY!!!" would read
// "!!!PLAY BABY" on a form kept left to right. The caption is drawn in the
// button's own direction instead.
//
// Styles mark a focused button by a change too slight for many eyes (a
// ring in a colour close to the border it replaces); the button rings
// itself as the scroll bar does, so the focus looks alike on every control.
class ButtonWidget : public QPushButton {
 public:
  ButtonWidget(const QString& caption, QWidget* form, std::function<QColor()> window_colour)
      : QPushButton(caption, form), window_colour_(std::move(window_colour)) {}

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QStylePainter painter(this);
    painter.setLayoutDirection(layoutDirection());
    QStyleOptionButton option;
    initStyleOption(&option);
    painter.drawControl(QStyle::CE_PushButton, option);
    if (hasFocus()) {
      PaintFocusRing(painter, *this, window_colour_(), palette().color(QPalette::Button));
    }
  }

 private:
  std::function<QColor()> window_colour_;
};

}  // namespace

CommandButton::CommandButton(Form& form, const std::string& caption, TwipsRect box, int tab_index)
    : button_(form, new ButtonWidget(QString::fromStdString(caption), form.Widget(),
                                     [&form] { return ToQColor(form.ShownBackColor()); })) {
  PlaceInTwips(button_.get(), box);
  button_->setFocusPolicy(Qt::StrongFocus);
  UncoverWhileFocused(*button_.get());
  // Outside a dialog Qt leaves Return and Enter to the window; here they press
  // the focused button, as on the desktops this program's users come from.
  button_->setAutoDefault(true);
  button_->setAccessibleName(QString::fromStdString(caption));
  QObject::connect(button_.get(), &QPushButton::clicked, [this] { RunHandler(click_); });
  form.Layout().AddTabStop(tab_index, button_.get());
  form.Layout().AddText(FormLayout::TextKind::kButton, button_.get());
}

CommandButton::~CommandButton() = default;

void CommandButton::OnClick(std::function<void()> handler) { click_ = std::move(handler); }

void CommandButton::SetVisible(bool visible) { button_->setVisible(visible); }

bool CommandButton::Visible() const { return !button_->isHidden(); }

void CommandButton::SetFocus() { button_->setFocus(Qt::OtherFocusReason); }

}  // namespace toolkit
