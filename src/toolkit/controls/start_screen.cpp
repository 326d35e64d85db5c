#include "toolkit/controls/start_screen.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <algorithm>

namespace toolkit {

bool PointerScreenTakesNewWindows(std::string_view current_desktop) {
  const QStringList names =
      QString::fromUtf8(current_desktop.data(), static_cast<qsizetype>(current_desktop.size()))
          .split(QLatin1Char(':'), Qt::SkipEmptyParts);
  return std::any_of(names.cbegin(), names.cend(), [](const QString& name) {
    const QString desktop = name.trimmed();
    return desktop.compare(QLatin1String("GNOME"), Qt::CaseInsensitive) == 0 ||
           desktop.compare(QLatin1String("KDE"), Qt::CaseInsensitive) == 0;
  });
}

QScreen* StartScreen() {
  const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
  if (PointerScreenTakesNewWindows(
          std::string_view(desktop.constData(), static_cast<std::size_t>(desktop.size())))) {
    if (QScreen* pointer = QGuiApplication::screenAt(QCursor::pos())) return pointer;
  }
  return QGuiApplication::primaryScreen();
}

}  // namespace toolkit
