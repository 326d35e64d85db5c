#include "toolkit/controls/scroll_bar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <string>

#include "toolkit/application/error_report.h"
#include "toolkit/controls/control_pictures.h"
#include "toolkit/controls/form.h"
#include "toolkit/controls/form_layout.h"
#include "toolkit/controls/label.h"
#include "toolkit/controls/place.h"
#include "toolkit/presentation/contrast.h"
#include "toolkit/presentation/focus_ring.h"
#include "toolkit/presentation/system_colour.h"

namespace toolkit {

namespace {

// Some themes leave a slider's track to the window's colour, which here is
// black: that colour, lightened or darkened until it stands out from black,
// and the bar's ink kept apart from it.
QPalette TrackPalette(QPalette palette) {
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    const QColor track =
        StandingOut(palette.color(group, QPalette::Window), Qt::black, kControlContrast);
    palette.setColor(group, QPalette::Window, track);
    palette.setColor(group, QPalette::WindowText,
                     StandingOut(palette.color(group, QPalette::WindowText), track, kTextContrast));
  }
  return palette;
}

}  // namespace

// Qt moves a scroll bar from its own value, which may still trail the last
// one set (see HScrollBar::Announce): the user's arrow click or key must
// count from the value the bar shows, so it is brought up to date first.
// So is the focus arriving, which a screen reader presents with the value.
class ScrollBarWidget : public QScrollBar {
 public:
  explicit ScrollBarWidget(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {}

  // The value last set, which Qt's own may trail.
  [[nodiscard]] int Latest() const { return latest_; }
  void SetLatest(int value) { latest_ = value; }
  // Brings Qt's own value, which raises the event, up to the one last set.
  void CatchUp() {
    if (value() == latest_) return;
    catching_up_ = true;
    setValue(latest_);
    catching_up_ = false;
  }
  // Takes Qt's new value as the latest, unless it is the latest catching up.
  bool TookUsersValue() {
    if (catching_up_) return false;
    latest_ = value();
    return true;
  }

 protected:
  bool event(QEvent* event) override {
    switch (event->type()) {
      case QEvent::FocusIn:  // Qt tells assistive technology of the focus after this event
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:  // which Qt handles as a press
      case QEvent::KeyPress:
      case QEvent::Wheel:
        CatchUp();
        break;
      default:
        break;
    }
    const bool handled = QScrollBar::event(event);
    // The track follows a theme changed while the program runs.
    if (event->type() == QEvent::ApplicationPaletteChange) {
      setPalette(TrackPalette(SteadyPalette(QApplication::palette())));
    }
    return handled;
  }

  // The track's own colour first, as a widget filling its background would;
  // see the constructor for why the bar does not say it does. Under the
  // pointer or in a press the style shows which part is hovered or held,
  // which only Qt's own paint knows: the bar is drawn afresh then.
  void paintEvent(QPaintEvent* event) override {
    if (underMouse() || QGuiApplication::mouseButtons() != Qt::NoButton) {
      {
        QPainter painter(this);
        PaintTrack(painter);
      }
      QScrollBar::paintEvent(event);
    } else {
      QStyleOptionSlider option;
      initStyleOption(&option);
      option.subControls = QStyle::SC_All;
      option.activeSubControls = QStyle::SC_None;
      const QPixmap& picture =
          pictures_.For(BarLook::Of(option, style(), devicePixelRatio()), [&](QPainter& painter) {
            PaintTrack(painter);
            style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
          });
      QPainter painter(this);
      painter.drawPixmap(0, 0, picture);
    }
  }

 private:
  void PaintTrack(QPainter& painter) const {
    painter.fillRect(rect(), palette().brush(backgroundRole()));
  }

  int latest_ = 0;
  bool catching_up_ = false;
  // Party mode's fourteen places, with room for a few looks more.
  BarPictures pictures_{24};
};

namespace {

// The bar as assistive technology sees it: Qt's own, except that its value
// is the one last set, so that a screen reader's review of the window never
// reads one the bar has left while Qt's value trails.
class ScrollBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit ScrollBarAccessible(ScrollBarWidget* bar)
      : QAccessibleWidget(bar, QAccessible::ScrollBar), bar_(bar) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  [[nodiscard]] QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return QString::number(bar_->Latest());
    return QAccessibleWidget::text(t);
  }
  [[nodiscard]] QVariant currentValue() const override { return bar_->Latest(); }
  void setCurrentValue(const QVariant& value) override {
    bar_->CatchUp();
    bar_->setValue(value.toInt());
  }
  [[nodiscard]] QVariant maximumValue() const override { return bar_->maximum(); }
  [[nodiscard]] QVariant minimumValue() const override { return bar_->minimum(); }
  [[nodiscard]] QVariant minimumStepSize() const override { return bar_->singleStep(); }

 private:
  ScrollBarWidget* bar_;
};

QAccessibleInterface* AccessibleFactory(const QString& /*class_name*/, QObject* object) {
  if (auto* bar = dynamic_cast<ScrollBarWidget*>(object)) return new ScrollBarAccessible(bar);
  return nullptr;
}

}  // namespace

HScrollBar::HScrollBar(Form& form, TwipsRect box, int tab_index, int minimum, int maximum)
    : form_(form), bar_(form, new ScrollBarWidget(form.Widget())) {
  static const bool installed = [] {
    QAccessible::installFactory(&AccessibleFactory);
    return true;
  }();
  (void)installed;
  PlaceInTwips(bar_.get(), box);
  bar_->setRange(minimum, maximum);
  bar_->SetLatest(bar_->value());
  bar_->setSingleStep(1);
  bar_->setPageStep(1);
  // Without tracking, valueChanged comes once on release of a dragged thumb
  // instead of on every pixel of the drag.
  bar_->setTracking(false);
  bar_->setFocusPolicy(Qt::StrongFocus);
  // Styles such as Fusion draw a focused bar exactly as an unfocused one,
  // and the focus starts here. A ring over the bar's edge would hide the
  // thumb some styles draw along it: the bar's ring goes around it.
  RingAround(*bar_.get());
  // Qt inverts a scroll bar's keys and wheel for scrolling content; here the
  // right arrow key and the wheel turned up mean more.
  bar_->setInvertedControls(false);
  // The bar paints its track (see TrackPalette) in its own paint rather than
  // as a widget that fills its background, which Qt would cut out of the
  // window's own paint: the window's fill would then be clipped around the
  // bar span by span, at every frame of party mode.
  bar_->setPalette(TrackPalette(bar_->palette()));
  QObject::connect(
      bar_.get(), &QScrollBar::valueChanged, bar_.get(),
      [this] {
        if (bar_->TookUsersValue()) RunHandler(change_);
      },
      Qt::DirectConnection);
  form.Layout().AddTabStop(tab_index, bar_.get());
}

HScrollBar::~HScrollBar() { form_.Pacer().Forget(this); }

void HScrollBar::OnChange(std::function<void()> handler) { change_ = std::move(handler); }

int HScrollBar::Value() const { return bar_->Latest(); }

void HScrollBar::SetValue(int value) {
  // Qt would clamp silently; an out-of-range set is the caller's error.
  if (value < bar_->minimum() || value > bar_->maximum()) {
    throw ToolkitError("invalid property value: " + std::to_string(value) +
                       " is outside the scroll bar's range " + std::to_string(bar_->minimum()) +
                       ".." + std::to_string(bar_->maximum()));
  }
  if (value == bar_->Latest()) return;
  bar_->SetLatest(value);
  form_.Pacer().Changed(this);
  RunHandler(change_);
}

// The thumb alone: with tracking off, a new slider position is drawn without
// changing Qt's value, which would raise a value change for accessibility.
void HScrollBar::Present() { bar_->setSliderPosition(bar_->Latest()); }

// Qt tells assistive technology of each new value of its own; a screen
// reader presents the value of the focused control alone, and reads it anew
// when the focus arrives (the bar catches up first). Told of a bar without
// the focus, it would still take each event in turn: in party mode, with
// little CPU to spare, Orca fell seconds behind and dropped the level
// notices as stale.
void HScrollBar::Announce() {
  if (bar_->hasFocus()) bar_->CatchUp();
}

int HScrollBar::Minimum() const { return bar_->minimum(); }

int HScrollBar::Maximum() const { return bar_->maximum(); }

void HScrollBar::SetAccessibleName(const std::string& name) {
  bar_->setAccessibleName(QString::fromStdString(name));
}

void HScrollBar::SetLabel(const Label& label) { label.label_->setBuddy(bar_.get()); }

}  // namespace toolkit
