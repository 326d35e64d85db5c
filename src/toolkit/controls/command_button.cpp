#include "toolkit/controls/command_button.h"

#include <QPushButton>

#include "toolkit/application/error_report.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/form_layout.h"
#include "toolkit/controls/place.h"

namespace toolkit {

CommandButton::CommandButton(Form& form, const std::string& caption, TwipsRect box, int tab_index)
    : button_(form, new QPushButton(QString::fromStdString(caption), form.Widget())) {
  PlaceInTwips(button_.get(), box);
  button_->setFocusPolicy(Qt::StrongFocus);
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
