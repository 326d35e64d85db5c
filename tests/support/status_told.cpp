#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <QtGui/private/qguiapplication_p.h>
#include <QAccessible>
#include <map>
#include <utility>

#include "support/widget_of.h"
#include "toolkit/presentation/status_notice.h"

namespace toolkit {

namespace {

// What runs with each text a notification tells, by notification.
std::map<const QObject*, std::function<void(const std::string&)>>& Listeners() {
  static std::map<const QObject*, std::function<void(const std::string&)>> listeners;
  return listeners;
}

QAccessible::UpdateHandler before = nullptr;

// Qt's own accessibility, which its platform plugin gives.
QPlatformAccessibility* Platform() {
  return QGuiApplicationPrivate::platformIntegration()->accessibility();
}

// A text is told as what a screen reader speaks of the notification: its
// announcement from Qt 6.8, its showing, under its name, before.
void Hear(QAccessibleEvent* event) {
  const auto listener = Listeners().find(event->object());
  if (listener != Listeners().end()) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    if (event->type() == QAccessible::Announcement) {
      listener->second(static_cast<QAccessibleAnnouncementEvent*>(event)->message().toStdString());
    }
#else
    if (event->type() == QAccessible::ObjectShow) {
      listener->second(event->accessibleInterface()->text(QAccessible::Name).toStdString());
    }
#endif
  }
  // Passed on as Qt would have, so that a screen reader still hears it.
  if (before != nullptr) {
    before(event);
  } else if (QPlatformAccessibility* platform = Platform()) {
    platform->notifyAccessibilityUpdate(event);
  }
}

}  // namespace

void OnStatusTold(const Form& form, std::function<void(const std::string&)> told) {
  const StatusNotice* notice = StatusNoticeOf(WidgetOf(form));
  if (notice == nullptr) return;
  // Qt hands out accessibility events only while a screen reader listens,
  // as none does on the offscreen platform; the platform's accessibility,
  // turned on, listens in its place.
  if (!QAccessible::isActive()) Platform()->setActive(true);
  static const bool installed = [] {
    before = QAccessible::installUpdateHandler(&Hear);
    return true;
  }();
  (void)installed;
  QObject* notification = notice->Notice();
  if (Listeners().count(notification) == 0) {
    QObject::connect(notification, &QObject::destroyed,
                     [notification] { Listeners().erase(notification); });
  }
  Listeners()[notification] = std::move(told);
}

}  // namespace toolkit
