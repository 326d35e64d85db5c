#include "toolkit/application.h"

#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "toolkit/display_failure.h"

namespace toolkit {

namespace {

// Qt reports a missing display as a fatal message, which aborts, after
// several lines of its own and of the platform libraries. While Qt starts,
// stderr is set aside, and a fatal message becomes one line and exit status
// 1; when Qt starts, what was set aside is passed on.
class StartupGuard {
 public:
  explicit StartupGuard(Application::NoDisplay no_display) {
    no_display_ = no_display;
    std::fflush(stderr);
    held_ = std::tmpfile();
    stderr_ = held_ != nullptr ? dup(STDERR_FILENO) : -1;
    if (stderr_ >= 0) dup2(fileno(held_), STDERR_FILENO);
    previous_ = qInstallMessageHandler(OnMessage);
  }
  ~StartupGuard() {
    qInstallMessageHandler(previous_);
    RestoreStderr();
    if (held_ == nullptr) return;
    std::rewind(held_);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, held_)) > 0;) {
      std::fwrite(buffer, 1, n, stderr);
    }
    std::fclose(held_);
  }
  StartupGuard(const StartupGuard&) = delete;
  StartupGuard& operator=(const StartupGuard&) = delete;

 private:
  static void RestoreStderr() {
    if (stderr_ < 0) return;
    std::fflush(stderr);
    dup2(stderr_, STDERR_FILENO);
    close(stderr_);
    stderr_ = -1;
  }

  static void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg || no_display_ == nullptr) {
      previous_(type, context, message);
      return;
    }
    RestoreStderr();
    no_display_(WhyNoDisplay());
    std::_Exit(1);
  }

  static inline Application::NoDisplay no_display_ = nullptr;
  static inline QtMessageHandler previous_ = nullptr;
  static inline int stderr_ = -1;
  std::FILE* held_ = nullptr;
};

}  // namespace

Application::Application(int& argc, char** argv, const std::string& display_name,
                         const std::string& desktop_file, NoDisplay no_display) {
  {
    const StartupGuard guard(no_display);
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  QApplication::setApplicationName("blargo");
  QApplication::setApplicationDisplayName(QString::fromStdString(display_name));
  if (!desktop_file.empty()) {
    QGuiApplication::setDesktopFileName(QString::fromStdString(desktop_file));
  }
}

Application::~Application() = default;

int Application::Run() { return QApplication::exec(); }

}  // namespace toolkit
