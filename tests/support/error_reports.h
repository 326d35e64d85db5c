#pragma once

#include <QApplication>
#include <QWidget>

// The toolkit's default error reports that are open on screen.
inline int OpenErrorReports() {
  int open = 0;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == "toolkitErrorReport" && widget->isVisible()) ++open;
  }
  return open;
}

inline void CloseErrorReports() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == "toolkitErrorReport") widget->close();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
