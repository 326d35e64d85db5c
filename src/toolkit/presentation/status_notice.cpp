#include "toolkit/presentation/status_notice.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QWidget>
#include <algorithm>
#include <utility>

namespace toolkit {

namespace {

// Long before any clock reading: the first change goes out at once.
constexpr TimePoint kLongAgo{Duration::min() / 2};

// The status bar or the notification in it. Both stand where the status is
// drawn, so that a screen reader's review of the window finds them beside it.
class PartAccessible : public QAccessibleObject {
 public:
  PartAccessible(QObject* part, const StatusNotice* owner)
      : QAccessibleObject(part), owner_(owner) {}

  [[nodiscard]] QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(IsBar() ? owner_->parent() : owner_->Bar());
  }
  [[nodiscard]] int childCount() const override { return IsBar() ? 1 : 0; }
  [[nodiscard]] QAccessibleInterface* child(int index) const override {
    if (!IsBar() || index != 0) return nullptr;
    return QAccessible::queryAccessibleInterface(owner_->Notice());
  }
  [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override {
    return IsBar() && child != nullptr && child->object() == owner_->Notice() ? 0 : -1;
  }
  [[nodiscard]] QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name) return {};
    return IsBar() ? owner_->Name() : owner_->Told();
  }
  [[nodiscard]] QAccessible::Role role() const override {
    return IsBar() ? QAccessible::StatusBar : QAccessible::Notification;
  }
  [[nodiscard]] QAccessible::State state() const override { return {}; }
  [[nodiscard]] QRect rect() const override {
    const QWidget* status = owner_->Status();
    if (!status->isVisible()) return {};
    return {status->mapToGlobal(QPoint(0, 0)), status->size()};
  }

 private:
  [[nodiscard]] bool IsBar() const { return object() == owner_->Bar(); }

  const StatusNotice* owner_;  // the parent of the part, which outlives it
};

QAccessibleInterface* Factory(const QString& /*class_name*/, QObject* object) {
  if (object == nullptr || object->isWidgetType()) return nullptr;
  const auto* owner = dynamic_cast<const StatusNotice*>(object->parent());
  if (owner == nullptr || (object != owner->Bar() && object != owner->Notice())) return nullptr;
  return new PartAccessible(object, owner);
}

}  // namespace

StatusNotice::StatusNotice(QWidget* form, QWidget* status, const QString& text, QString name)
    : QObject(form),
      status_(status),
      name_(std::move(name)),
      bar_(new QObject(this)),
      notice_(new QObject(this)),
      alarm_(MakeAlarm()),
      latest_(text),
      told_(text),
      told_at_(kLongAgo) {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
  // A label with a name of its own raises no name change with every new
  // text, a thousand a second in party mode: it is named as it is told.
  status_->setAccessibleName(told_);
  alarm_->OnRing([this] {
    // While a key or button is down, what it does is still to come; its
    // release tells the latest.
    if (!held_) Tell();
  });
  qApp->installEventFilter(this);
}

StatusNotice::~StatusNotice() {
  qApp->removeEventFilter(this);
  // Gone before the notice, whose parts' accessibility reads it to the end.
  delete notice_;
  delete bar_;
}

bool StatusNotice::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
      input_ = true;
      held_ = true;
      break;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
      // Posted, so that it comes after what the release does (Space and a
      // click press a button on release).
      held_ = false;
      QMetaObject::invokeMethod(
          this,
          [this] {
            if (waiting_) Tell();
          },
          Qt::QueuedConnection);
      break;
    case QEvent::WindowDeactivate:
      held_ = false;  // the release goes elsewhere
      break;
    case QEvent::FocusIn: {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget == nullptr || widget->window() != parent()) break;
      // Moved by the program rather than by the user's Tab or click, the
      // focus lands where the user did not ask to go: the status is told
      // there again, unless it is told anyway, a moment later, so that what
      // moved the focus (the start of party mode) has shown by then. Posted,
      // so that it comes after the focus event by which the screen reader
      // presents the new control.
      const bool moved = static_cast<QFocusEvent*>(event)->reason() == Qt::OtherFocusReason;
      const std::uint64_t tells = tells_;
      QMetaObject::invokeMethod(
          this,
          [this, moved, tells] {
            if (moved && tells_ == tells) {
              again_ = true;
              Wait(alarm_->Now() + kSettle);
            } else if (waiting_ && !held_) {
              Tell();
            }
          },
          Qt::QueuedConnection);
      break;
    }
    default:
      break;
  }
  return false;
}

void StatusNotice::Changed(const QString& text) {
  latest_ = text;
  Pace();
}

void StatusNotice::SetAgain() {
  if (!input_) return;
  again_ = true;
  Pace();
}

void StatusNotice::Pace() {
  if (!held_ && (input_ || alarm_->Now() - told_at_ >= kGap)) {
    Tell();
  } else if (!waiting_) {
    Wait(told_at_ + kGap);
  }
}

void StatusNotice::Wait(TimePoint until) {
  waiting_ = true;
  alarm_->Set(until);
}

void StatusNotice::Tell() {
  if (waiting_) {
    waiting_ = false;
    alarm_->Cancel();
  }
  input_ = false;
  const bool again = std::exchange(again_, false);
  if (latest_ == told_ && !again) return;
  told_ = latest_;
  told_at_ = alarm_->Now();
  ++tells_;
  // A screen reader may keep the name it read before (Orca 48 with Qt 6.8
  // does), so that a review of the window would find the old text: the new
  // name is given out first.
  status_->setAccessibleName(told_);
  QAccessibleEvent named(notice_, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&named);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
  // Where Qt can make an announcement, the text is announced on its own: a
  // notification shown is spoken with its role ("notification 85%" takes
  // espeak-ng 2.4 s, longer than the gap, so party mode would leave a
  // backlog of levels already left behind).
  QAccessibleAnnouncementEvent announced(notice_, told_);
  QAccessible::updateAccessibility(&announced);
#else
  QAccessibleEvent shown(notice_, QAccessible::ObjectShow);
  QAccessible::updateAccessibility(&shown);
#endif
}

StatusNotice* StatusNoticeOf(const QWidget* form) {
  const QObjectList& children = form->children();
  const auto found = std::find_if(children.begin(), children.end(), [](const QObject* child) {
    return dynamic_cast<const StatusNotice*>(child) != nullptr;
  });
  return found != children.end() ? dynamic_cast<StatusNotice*>(*found) : nullptr;
}

}  // namespace toolkit
