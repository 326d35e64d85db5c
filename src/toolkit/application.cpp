#include "toolkit/application.h"

#include <QApplication>

namespace toolkit {

Application::Application(int& argc, char** argv, const std::string& display_name)
    : app_(std::make_unique<QApplication>(argc, argv)) {
  QApplication::setApplicationName("blargo");
  QApplication::setApplicationDisplayName(QString::fromStdString(display_name));
}

Application::~Application() = default;

int Application::Run() { return QApplication::exec(); }

}  // namespace toolkit
