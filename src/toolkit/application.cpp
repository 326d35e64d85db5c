#include "toolkit/application.h"

#include <QApplication>

namespace toolkit {

Application::Application(int& argc, char** argv, const std::string& display_name,
                         const std::string& desktop_file)
    : app_(std::make_unique<QApplication>(argc, argv)) {
  QApplication::setApplicationName("blargo");
  QApplication::setApplicationDisplayName(QString::fromStdString(display_name));
  if (!desktop_file.empty()) {
    QGuiApplication::setDesktopFileName(QString::fromStdString(desktop_file));
  }
}

Application::~Application() = default;

int Application::Run() { return QApplication::exec(); }

}  // namespace toolkit
