#include "toolkit/application/error_report.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <cstdio>
#include <exception>

#include "identity/program_identity.h"

namespace toolkit {

void ReportError(const std::string& message) noexcept {
  try {
    std::fprintf(stderr, "%s: run-time error: %s\n", identity::kExecutableName, message.c_str());
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return;
    // One box at a time: with 1 ms timers a recurring fault would otherwise
    // bury the desktop under windows.
    static QPointer<QMessageBox> open_box;
    if (open_box && open_box->isVisible()) return;
    // Owned by the program's window, so that closing the window still ends
    // the program while a report is open.
    QWidget* owner = QApplication::activeWindow();
    if (owner == nullptr) {
      for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && qobject_cast<QMessageBox*>(window) == nullptr) {
          owner = window;
          break;
        }
      }
    }
    auto* box = new QMessageBox(QMessageBox::Warning, QGuiApplication::applicationDisplayName(),
                                QString::fromStdString("Run-time error: " + message),
                                QMessageBox::Ok, owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->setObjectName("toolkitErrorReport");
    open_box = box;
    box->show();
  } catch (...) {
    // Reporting must never throw back into the event loop; the message is
    // on stderr already, so say only that the window for it failed.
    std::fprintf(stderr, "%s: the error could not be shown in a window\n",
                 identity::kExecutableName);
  }
}

void RunHandler(const std::function<void()>& handler) noexcept {
  if (!handler) return;
  try {
    handler();
  } catch (const std::exception& e) {
    ReportError(e.what());
  } catch (...) {
    ReportError("unknown error");
  }
}

}  // namespace toolkit
