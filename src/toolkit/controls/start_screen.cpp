#include "toolkit/controls/start_screen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <algorithm>

namespace toolkit {

bool PointerScreenTakesNewWindows(const QString& current_desktop) {
  const QStringList names = current_desktop.split(QLatin1Char(':'), Qt::SkipEmptyParts);
  return std::any_of(names.cbegin(), names.cend(), [](const QString& name) {
    const QString desktop = name.trimmed();
    return desktop.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0 ||
           desktop.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0;
  });
}

QScreen* StartScreen() {
  if (PointerScreenTakesNewWindows(qEnvironmentVariable("XDG_CURRENT_DESKTOP"))) {
    if (QScreen* pointer = QGuiApplication::screenAt(QCursor::pos())) return pointer;
  }
  return QGuiApplication::primaryScreen();
}

}  // namespace toolkit
