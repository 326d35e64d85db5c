#include "toolkit/presentation/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "toolkit/presentation/status_notice.h"

namespace toolkit {

namespace {

constexpr const char* kFrameProperty = "blargo_frame";
constexpr const char* kDecorativeProperty = "blargo_decorative";

// The controls in their order of creation, then the status bar, if any.
QList<QObject*> MeaningfulChildren(const QWidget* form) {
  QList<QObject*> children;
  for (QObject* object : form->children()) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr || widget->isWindow() || widget->property(kDecorativeProperty).toBool()) {
      continue;
    }
    children.append(widget);
  }
  if (const StatusNotice* notice = StatusNoticeOf(form)) children.append(notice->Bar());
  return children;
}

// Qt exposes a plain top-level widget as a filler; a form is the program's frame.
class FrameAccessible : public QAccessibleWidget {
 public:
  explicit FrameAccessible(QWidget* form) : QAccessibleWidget(form, QAccessible::Window) {}

  [[nodiscard]] int childCount() const override {
    return static_cast<int>(MeaningfulChildren(widget()).size());
  }
  [[nodiscard]] QAccessibleInterface* child(int index) const override {
    const QList<QObject*> children = MeaningfulChildren(widget());
    if (index < 0 || index >= children.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(children.at(index));
  }
  [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override {
    if (child == nullptr) return -1;
    return static_cast<int>(MeaningfulChildren(widget()).indexOf(child->object()));
  }
};

QAccessibleInterface* Factory(const QString& /*class_name*/, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget != nullptr && widget->property(kFrameProperty).toBool()) {
    return new FrameAccessible(widget);
  }
  return nullptr;
}

// Tells a screen reader again which control has the focus, where there is
// one and Qt can tell it. One that has that focus already keeps it and says
// nothing more (Orca keeps its locus of focus); one that missed it presents
// the control.
void TellFocus() {
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr || !focus->isActiveWindow() || !QAccessible::isActive()) return;
  QAccessibleEvent focused(focus, QAccessible::Focus);
  QAccessible::updateAccessibility(&focused);
}

// Qt tells a screen reader where the focus is only while its AT-SPI bridge
// is on, and only when the focus moves. The bridge comes on from the event
// loop, once the accessibility bus has answered: a control that took the
// focus before then would never be announced, and the listener would hear
// the window and then silence. So when the bridge comes on, the focus is
// told once more.
class FocusRetold : public QAccessible::ActivationObserver {
 public:
  void accessibilityActiveChanged(bool active) override {
    // Qt reports one start more than once.
    const bool started = active && !active_;
    active_ = active;
    if (!started) return;
    // Qt calls this before its bridge can send anything; by the next turn of
    // the event loop it can.
    QTimer::singleShot(0, qApp, [] { TellFocus(); });
  }

 private:
  bool active_ = false;
};

// At start-up Orca 48 has been seen to hear the window's activation and then
// no focus event at all, though Qt moves the focus into the window as it
// activates it (one start in 24 on Debian 13 here, with the bridge on
// well before). So once a form is first activated, the focus is told again.
class FirstActivation : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowActivate && watched == parent()) {
      watched->removeEventFilter(this);
      // Qt moves the focus after the activation events; by the next turn of
      // the event loop it has.
      QTimer::singleShot(0, this, [this] {
        TellFocus();
        deleteLater();
      });
    }
    return false;
  }
};

}  // namespace

void ExposeAsFrame(QWidget* form) {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    static FocusRetold retold;
    QAccessible::installActivationObserver(&retold);
    return true;
  }();
  (void)installed;
  form->setProperty(kFrameProperty, true);
  form->installEventFilter(new FirstActivation(form));
}

void MarkDecorative(QWidget* part) { part->setProperty(kDecorativeProperty, true); }

}  // namespace toolkit
