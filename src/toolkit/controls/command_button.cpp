#include "toolkit/controls/command_button.h"

#include <QEvent>
#include <QPainter>
#include <QPen>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "toolkit/application/error_report.h"
#include "toolkit/controls/control_pictures.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/form_layout.h"
#include "toolkit/controls/place.h"
#include "toolkit/presentation/focus_ring.h"
#include "toolkit/presentation/presenter.h"
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
// The ring is drawn over the button's picture at every paint: it follows the
// window's colour, which the picture does not hold.
class ButtonWidget : public QPushButton {
 public:
  ButtonWidget(const QString& caption, QWidget* form, std::function<QColor()> window_colour,
               std::function<TimePoint()> now)
      : QPushButton(caption, form),
        window_colour_(std::move(window_colour)),
        now_(std::move(now)) {}

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QStyleOptionButton option;
    initStyleOption(&option);
    // A painter on a picture starts from the application's font and pen,
    // not the button's as one on the button itself does: the form sizes the
    // captions' font to its scale. (Its brush is none either way; a style
    // that fills with the painter's brush fills nothing.)
    const auto draw = [this, &option](QPainter& painter) {
      painter.setFont(font());
      painter.setPen(QPen(palette().brush(foregroundRole()), 1));
      painter.setBackground(palette().brush(backgroundRole()));
      painter.setLayoutDirection(layoutDirection());
      style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
    };
    QPainter painter(this);
    if (const QPixmap* picture =
            pictures_.For(ButtonLook::Of(option, style(), devicePixelRatio()), now_(), draw)) {
      painter.drawPixmap(0, 0, *picture);
    } else {
      draw(painter);
    }
    if (hasFocus()) {
      PaintFocusRing(painter, *this, window_colour_(), palette().color(QPalette::Button));
    }
  }

  void changeEvent(QEvent* event) override {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
      pictures_.Clear();
    }
  }

 private:
  std::function<QColor()> window_colour_;
  std::function<TimePoint()> now_;
  // A button takes a few looks: plain, focused, under the pointer, pressed.
  ButtonPictures pictures_{6};
};

}  // namespace

CommandButton::CommandButton(Form& form, const std::string& caption, TwipsRect box, int tab_index)
    : button_(form, new ButtonWidget(
                        QString::fromStdString(caption), form.Widget(),
                        [&form] { return ToQColor(form.ShownBackColor()); },
                        [&form] { return form.Pacer().Now(); })) {
  PlaceInTwips(button_.get(), box);
  button_->setFocusPolicy(Qt::StrongFocus);
  UncoverWhileFocused(*button_.get());
  // Outside a dialog Qt leaves Return and Enter to the window; here they press
  // the focused button, as on the desktops this program's users come from.
  button_->setAutoDefault(true);
  button_->setAccessibleName(QString::fromStdString(caption));
  QObject::connect(button_.get(), &QPushButton::clicked, [this] { RunHandler(click_); });
  form.Layout().AddTabStop(tab_index, button_.get());
  form.Layout().AddText(button_.get());
}

CommandButton::~CommandButton() = default;

void CommandButton::OnClick(std::function<void()> handler) { click_ = std::move(handler); }

void CommandButton::SetVisible(bool visible) { button_->setVisible(visible); }

void CommandButton::SetFocus() { button_->setFocus(Qt::OtherFocusReason); }

}  // namespace toolkit
