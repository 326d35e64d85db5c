#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QString>
#include <QVariant>

#include "toolkit/application/desktop_motion.h"

namespace toolkit {

// Follows the desktop's wish for less motion into SetReducedMotion for as
// long as it lives: read from the Settings portal on the session bus at
// start, then taken from the portal's change signal. Every call is sent
// without waiting for its answer, so a slow or stopped portal holds nothing;
// with no session bus, no portal or none of the settings, motion stays full.
// Create it on the GUI thread, after the application.
class DesktopMotionWatch : public QObject {
  Q_OBJECT

 public:
  DesktopMotionWatch();

  // cppcheck-suppress unknownMacro ; moc's keyword, which cppcheck 2.17 does not know
 private slots:
  void SettingChanged(const QString& name_space, const QString& key, const QDBusVariant& value);

 private:
  // Asks the portal for one setting: with ReadOne, or with the older Read
  // where the portal does not know ReadOne yet.
  void Ask(const QString& name_space, const QString& key, bool read_one);
  void Take(const QString& name_space, const QString& key, QVariant value);

  QDBusConnection bus_;
  MotionSettings settings_;
};

}  // namespace toolkit
