#include "toolkit/controls/form.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "toolkit/application/error_report.h"
#include "toolkit/controls/command_button.h"
#include "toolkit/controls/form_layout.h"
#include "toolkit/controls/form_scale.h"
#include "toolkit/controls/label.h"
#include "toolkit/controls/start_screen.h"
#include "toolkit/controls/widget_on_form.h"
#include "toolkit/presentation/accessibility.h"
#include "toolkit/presentation/focus_ring.h"
#include "toolkit/presentation/presenter.h"
#include "toolkit/presentation/status_notice.h"
#include "toolkit/presentation/system_colour.h"

namespace toolkit {

namespace {

// How long after the first show a window manager may take to put its frame
// around the window; a frame learnt later is the user's business.
constexpr std::chrono::milliseconds kFrameWait{3000};

// The states a window of fixed size does not take: granted by a title bar,
// a key or the compositor, they would leave its controls in a corner of a
// screen-sized black window.
constexpr Qt::WindowStates kRefusedStates = Qt::WindowMaximized | Qt::WindowFullScreen;

}  // namespace

// The window itself. It paints its own background rather than using the
// palette, so a background change does not repaint the controls on it.
class FormWidget : public QWidget, public Presented {
 public:
  FormWidget() {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setPalette(SteadyPalette(palette()));
  }

  Colour back_colour = 0;  // as last set
  QPointer<QPushButton> cancel;
  FormLayout layout;

  void Present() override {
    if (shown_colour_ == back_colour) return;
    shown_colour_ = back_colour;
    update();
    // A focused button draws its ring against the window's colour, and
    // follows it (the scroll bar's ring is the window's own paint).
    if (QWidget* focused = focusWidget(); focused != nullptr && focused->hasFocus()) {
      focused->update();
    }
  }

  [[nodiscard]] Colour ShownColour() const { return shown_colour_; }

  // A window larger than the screen's free area (a frame larger than the
  // screen leaves no room) keeps its top-left corner on it.
  void Centre() {
    const QScreen* screen = this->screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    frame.moveTopLeft({std::max(frame.left(), area.left()), std::max(frame.top(), area.top())});
    move(frame.topLeft());
  }

  // Before the first show the frame is not known, so the window is fitted and
  // centred as if it had none; once the window manager has framed it, it is
  // fitted and centred again. It is first put on the screen the desktop opens
  // windows on, so it is fitted to that screen rather than to the one at 0,0.
  void PlaceOnFirstShow() {
    if (QScreen* start = StartScreen()) {
      setScreen(start);
      move(start->availableGeometry().topLeft());
    }
    Fit();
    Centre();
    waiting_for_frame_ = true;
    QTimer::singleShot(kFrameWait, this, [this] { waiting_for_frame_ = false; });
  }

  void FollowScreen() {
    if (window_ != nullptr) return;
    window_ = windowHandle();
    if (window_ == nullptr) return;
    connect(window_, &QWindow::screenChanged, this, [this](QScreen* screen) {
      WatchScreen(screen);
      Refit();
    });
    WatchScreen(window_->screen());
  }

 protected:
  // A theme changed while the program runs is followed, kept as steady.
  bool event(QEvent* event) override {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ApplicationPaletteChange) {
      setPalette(SteadyPalette(QApplication::palette()));
    }
    // The form's font is the desktop's: a new desktop font is a new scale.
    if (event->type() == QEvent::FontChange) Refit();
    return handled;
  }

  // A maximised or full-screen state is given back at once; the window
  // system then puts the window back at its own size where it stood.
  void changeEvent(QEvent* event) override {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || (windowState() & kRefusedStates) == 0) {
      return;
    }
    // Not from within the platform's own state change.
    QTimer::singleShot(0, this, [this] {
      if ((windowState() & kRefusedStates) == 0) return;
      setWindowState(windowState() & ~kRefusedStates);
    });
  }

  void moveEvent(QMoveEvent* event) override {
    QWidget::moveEvent(event);
    const QSize frame = frameGeometry().size() - size();
    if (waiting_for_frame_ && (frame.width() > 0 || frame.height() > 0)) {
      waiting_for_frame_ = false;
      // The frame is measured in whole logical pixels; on a scaled screen
      // each edge may hide up to one more.
      const int rounding = devicePixelRatioF() > 1 ? 2 : 0;
      frame_ = frame.expandedTo(QSize(0, 0)) + QSize(rounding, rounding);
      Fit();
      Centre();
    }
  }

  // Rectangle by rectangle: the region to paint leaves out the opaque
  // scroll bar, and one fill over the whole window would be clipped to it
  // span by span (by the helper threads of Qt's painter, each frame), where
  // a rectangle inside the region is one plain fill. Then the ring of a
  // focused control that wears it around itself, on the window.
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    const QColor colour = ToQColor(shown_colour_);
    for (const QRect& part : event->region()) painter.fillRect(part, colour);
    PaintRingsAround(painter, *this, colour);
  }

  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        cancel != nullptr && cancel->isVisible() && cancel->isEnabled()) {
      cancel->click();
      return;
    }
    QWidget::keyPressEvent(event);
  }

 private:
  void WatchScreen(QScreen* screen) {
    for (const auto& watch : screen_watches_) disconnect(watch);
    screen_watches_.clear();
    if (screen == nullptr) return;
    const auto refit = [this] { Refit(); };
    screen_watches_ = {connect(screen, &QScreen::geometryChanged, this, refit),
                       connect(screen, &QScreen::availableGeometryChanged, this, refit),
                       connect(screen, &QScreen::logicalDotsPerInchChanged, this, refit)};
  }

  void Fit() {
    const QSizeF laid_out = layout.places.empty() ? QSizeF(size()) : QSizeF(layout.size);
    const QScreen* screen = this->screen();
    // Wayland keeps the desktop's panels from its clients.
    const bool panels_told = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    const QSizeF available = screen != nullptr
                                 ? FreeRoom(QSizeF(screen->availableGeometry().size()),
                                            QSizeF(screen->geometry().size()), panels_told)
                                 : laid_out;
    layout.Arrange(this, FittingScale(TextScale(font()), laid_out, QSizeF(frame_), available));
  }

  // Brings back onto the screen's free area what the new size, or a smaller
  // screen, left off it; a window still wholly on it stays where the user put
  // it.
  void Refit() {
    if (window_ == nullptr) return;
    Fit();
    const QScreen* screen = this->screen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();
    if (area.contains(frame)) return;
    QPoint corner = frame.topLeft();
    corner.setX(std::max(area.left(), std::min(corner.x(), area.right() + 1 - frame.width())));
    corner.setY(std::max(area.top(), std::min(corner.y(), area.bottom() + 1 - frame.height())));
    move(corner);
  }

  Colour shown_colour_ = 0;  // as last presented
  bool waiting_for_frame_ = false;
  QSize frame_{0, 0};         // as last learnt
  QPointer<QWindow> window_;  // once shown
  std::vector<QMetaObject::Connection> screen_watches_;
};

Form::Form(const std::string& caption, int client_width_twips, int client_height_twips)
    : widget_(new FormWidget), pacer_(std::make_unique<Presenter>(widget_)) {
  // First, before the title: Qt 6.8 creates and keeps the window's accessible
  // object when the title is set, and never asks again for its role.
  ExposeAsFrame(widget_);
  widget_->setWindowTitle(QString::fromStdString(caption));
  widget_->setFixedSize(TwipsToPixels(client_width_twips), TwipsToPixels(client_height_twips));
  // Laid out in twips from the left, with a slider whose 0 is at its left end
  // and captions whose marks end them: a right-to-left desktop language (or
  // Qt's -reverse) would mirror the slider alone and move "!!!" to the front.
  widget_->setLayoutDirection(Qt::LeftToRight);
}

Form::~Form() {
  pacer_.reset();
  delete widget_;
}

void Form::OnLoad(std::function<void()> handler) { load_ = std::move(handler); }

void Form::Show() {
  if (!shown_) {
    shown_ = true;
    RunHandler(load_);
    widget_->PlaceOnFirstShow();
  }
  widget_->show();
  widget_->FollowScreen();
}

Colour Form::BackColor() const { return widget_->back_colour; }

void Form::SetBackColor(Colour colour) {
  widget_->back_colour = colour;
  pacer_->Flashed(widget_);
}

void Form::SetIcon(const std::string& path) {
  const QIcon icon(QString::fromStdString(path));
  if (icon.isNull()) {
    // A missing icon is worth a report but not worth a window that never opens.
    ReportError("no icon at " + path);
    return;
  }
  widget_->setWindowIcon(icon);
  QApplication::setWindowIcon(icon);
}

void Form::SetCancelButton(const CommandButton& button) { widget_->cancel = button.button_.get(); }

void Form::SetStatusLabel(Label& label, const std::string& name) {
  label.status_ = std::make_unique<StatusNotice>(widget_, label.label_.get(),
                                                 QString::fromStdString(label.text_),
                                                 QString::fromStdString(name));
}

QWidget* Form::Widget() const { return widget_; }

Colour Form::ShownBackColor() const { return widget_->ShownColour(); }

FormLayout& Form::Layout() const { return widget_->layout; }

Presenter& Form::Pacer() const { return *pacer_; }

WidgetOnForm::WidgetOnForm(Form& form, QWidget* widget) : form_(form), widget_(widget) {}

WidgetOnForm::~WidgetOnForm() {
  form_.Layout().Forget(widget_);
  delete widget_;
}

}  // namespace toolkit
