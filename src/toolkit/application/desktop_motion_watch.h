#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QString>
#include <QVariant>

#include "toolkit/application/desktop_motion.h"

namespace toolkit {

// The Qt side of DesktopMotion: the portal's answers and change signals.
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
