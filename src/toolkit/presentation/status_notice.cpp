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

constexpr const char* kBarProperty = "blargo_status_bar";
constexpr const char* kNoticeProperty = "blargo_status_notice";
// Long before any clock reading: the first change goes out at once.
constexpr TimePoint kLongAgo{Duration::min() / 2};

StatusNotice* OwnerOf(const QObject* part) {
  for (QObject* object = part->parent(); object != nullptr; object = object->parent()) {
    if (auto* notice = dynamic_cast<StatusNotice*>(object)) return notice;
  }
  return nullptr;
}

// Both parts stand where the status is drawn, so that a screen reader's
// review of the window finds them beside it.
QRect StatusRect(const QObject* part) {
  const StatusNotice* owner = OwnerOf(part);
  const QWidget* status = owner != nullptr ? owner->Status() : nullptr;
  if (status == nullptr || !status->isVisible()) return {};
  return {status->mapToGlobal(QPoint(0, 0)), status->size()};
}

class StatusBarAccessible : public QAccessibleObject {
 public:
  explicit StatusBarAccessible(QObject* bar) : QAccessibleObject(bar) {}

  [[nodiscard]] QAccessibleInterface* parent() const override {
    const StatusNotice* owner = OwnerOf(object());
    return owner != nullptr ? QAccessible::queryAccessibleInterface(owner->parent()) : nullptr;
  }
  [[nodiscard]] int childCount() const override { return 1; }
  [[nodiscard]] QAccessibleInterface* child(int index) const override {
    const StatusNotice* owner = OwnerOf(object());
    if (index != 0 || owner == nullptr) return nullptr;
    return QAccessible::queryAccessibleInterface(owner->Notice());
  }
  [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override {
    const StatusNotice* owner = OwnerOf(object());
    return child != nullptr && owner != nullptr && child->object() == owner->Notice() ? 0 : -1;
  }
  [[nodiscard]] QString text(QAccessible::Text t) const override {
    const StatusNotice* owner = OwnerOf(object());
    return t == QAccessible::Name && owner != nullptr ? owner->Name() : QString();
  }
  [[nodiscard]] QAccessible::Role role() const override { return QAccessible::StatusBar; }
  [[nodiscard]] QAccessible::State state() const override { return {}; }
  [[nodiscard]] QRect rect() const override { return StatusRect(object()); }
};

class NoticeAccessible : public QAccessibleObject {
 public:
  explicit NoticeAccessible(QObject* notice) : QAccessibleObject(notice) {}

  [[nodiscard]] QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(object()->parent());
  }
  [[nodiscard]] int childCount() const override { return 0; }
  [[nodiscard]] QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
  [[nodiscard]] int indexOfChild(const QAccessibleInterface* /*child*/) const override {
    return -1;
  }
  [[nodiscard]] QString text(QAccessible::Text t) const override {
    const StatusNotice* owner = OwnerOf(object());
    return t == QAccessible::Name && owner != nullptr ? owner->Told() : QString();
  }
  [[nodiscard]] QAccessible::Role role() const override { return QAccessible::Notification; }
  [[nodiscard]] QAccessible::State state() const override { return {}; }
  [[nodiscard]] QRect rect() const override { return StatusRect(object()); }
};

QAccessibleInterface* Factory(const QString& /*class_name*/, QObject* object) {
  if (object == nullptr || object->isWidgetType()) return nullptr;
  if (object->property(kBarProperty).toBool()) return new StatusBarAccessible(object);
  if (object->property(kNoticeProperty).toBool()) return new NoticeAccessible(object);
  return nullptr;
}

}  // namespace

StatusNotice::StatusNotice(QWidget* form, QWidget* status, const QString& text, QString name)
    : QObject(form),
      status_(status),
      name_(std::move(name)),
      bar_(new QObject(this)),
      notice_(new QObject(bar_)),
      alarm_(MakeAlarm()),
      latest_(text),
      told_(text),
      told_at_(kLongAgo) {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
  bar_->setProperty(kBarProperty, true);
  notice_->setProperty(kNoticeProperty, true);
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

StatusNotice::~StatusNotice() { qApp->removeEventFilter(this); }

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
  if (on_told_) on_told_(told_);
}

StatusNotice* StatusNoticeOf(const QWidget* form) {
  const QObjectList& children = form->children();
  const auto found = std::find_if(children.begin(), children.end(), [](const QObject* child) {
    return dynamic_cast<const StatusNotice*>(child) != nullptr;
  });
  return found != children.end() ? dynamic_cast<StatusNotice*>(*found) : nullptr;
}

}  // namespace toolkit
