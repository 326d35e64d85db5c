#include "toolkit/presentation/status_notice.h"

#include <QAccessible>
#include <QAccessibleObject>
#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace toolkit {

namespace {

constexpr const char* kBarProperty = "blargo_status_bar";
constexpr const char* kNoticeProperty = "blargo_status_notice";
// Long before any clock reading: the first change goes out at once.
constexpr TimePoint kLongAgo{Duration::min() / 2};

// Every notice alive, in the order made. A label sets its text a thousand
// times a second in party mode: finding its notice here costs a comparison
// or two, where a search of the window's children would cast each of them.
std::vector<StatusNotice*>& Notices() {
  static std::vector<StatusNotice*> notices;
  return notices;
}

StatusNotice* NoticeFor(const QWidget* status) {
  const auto& notices = Notices();
  const auto found =
      std::find_if(notices.begin(), notices.end(),
                   [status](const StatusNotice* notice) { return notice->Status() == status; });
  return found != notices.end() ? *found : nullptr;
}

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

StatusNotice::StatusNotice(QWidget* form, const QWidget* status, std::function<QString()> text)
    : QObject(form),
      status_(status),
      text_(std::move(text)),
      bar_(new QObject(this)),
      notice_(new QObject(bar_)),
      alarm_(MakeAlarm()),
      told_(text_()),
      told_at_(kLongAgo) {
  static const bool installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)installed;
  bar_->setProperty(kBarProperty, true);
  notice_->setProperty(kNoticeProperty, true);
  alarm_->OnRing([this] { Ring(); });
  qApp->installEventFilter(this);
  Notices().push_back(this);
}

StatusNotice::~StatusNotice() {
  std::erase(Notices(), this);
  qApp->removeEventFilter(this);
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
            if (waiting_) Tell(false);
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
              waiting_ = true;
              alarm_->Set(alarm_->Now() + kSettle);
            } else if (waiting_ && !held_) {
              Tell(false);
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

void StatusNotice::Changed() {
  if (!held_ && (input_ || alarm_->Now() - told_at_ >= kGap)) {
    Tell(false);
  } else if (!waiting_) {
    waiting_ = true;
    alarm_->Set(told_at_ + kGap);
  }
}

void StatusNotice::Ring() {
  // While a key or button is down, what it does is still to come; its
  // release tells the latest.
  if (!held_) Tell(false);
}

void StatusNotice::SetAgain() {
  if (!input_) return;
  if (!held_) {
    Tell(true);
    return;
  }
  again_ = true;
  if (!waiting_) {
    waiting_ = true;
    alarm_->Set(told_at_ + kGap);
  }
}

void StatusNotice::Tell(bool again) {
  if (waiting_) {
    waiting_ = false;
    alarm_->Cancel();
  }
  input_ = false;
  again = again || again_;
  again_ = false;
  if (status_ == nullptr) return;  // the label, and its text, are gone
  const QString text = text_();
  if (text == told_ && !again) return;
  told_ = text;
  told_at_ = alarm_->Now();
  ++tells_;
  // A screen reader may keep the name it read before (Orca 48 with Qt 6.8
  // does), so that a review of the window would find the old text: the new
  // name is given out first.
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
  const auto& notices = Notices();
  const auto found =
      std::find_if(notices.begin(), notices.end(),
                   [form](const StatusNotice* notice) { return notice->parent() == form; });
  return found != notices.end() ? *found : nullptr;
}

void SetStatusText(QWidget* form, const QWidget* status, std::function<QString()> text) {
  delete StatusNoticeOf(form);
  new StatusNotice(form, status, std::move(text));
}

void StatusTextShown(const QWidget* status) {
  if (StatusNotice* notice = NoticeFor(status)) notice->Changed();
}

void StatusTextSetAgain(const QWidget* status) {
  if (StatusNotice* notice = NoticeFor(status)) notice->SetAgain();
}

}  // namespace toolkit
