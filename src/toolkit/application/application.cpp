#include "toolkit/application/application.h"

#include <unistd.h>

#include <QApplication>
#include <QThreadPool>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "identity/program_identity.h"
#include "toolkit/application/desktop_motion_watch.h"
#include "toolkit/application/display_failure.h"
#include "toolkit/application/x11_desktop_file.h"

namespace toolkit {

namespace {

// Qt reports a missing display as a fatal message, which aborts, after
// several lines of its own and of the platform libraries. While Qt starts,
// stderr is set aside, and a fatal message becomes one line and exit status
// 1; when Qt starts, what was set aside is passed on.
class StartupGuard {
 public:
  explicit StartupGuard(PlatformChoice platform) : platform_(std::move(platform)) {
    std::fflush(stderr);
    held_ = std::tmpfile();
    if (held_ != nullptr) {
      stderr_ = dup(STDERR_FILENO);
      if (stderr_ >= 0) dup2(fileno(held_), STDERR_FILENO);
    }
    active_ = this;
    previous_ = qInstallMessageHandler(OnMessage);
  }
  ~StartupGuard() {
    qInstallMessageHandler(previous_);
    active_ = nullptr;
    RestoreStderr();
    if (held_ == nullptr) return;
    if (std::fseek(held_, 0, SEEK_SET) != 0) {
      std::fprintf(stderr, "%s: the messages held back at start could not be read back\n",
                   identity::kExecutableName);
    } else {
      char buffer[4096];
      for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, held_)) > 0;) {
        std::fwrite(buffer, 1, n, stderr);
      }
    }
    std::fclose(held_);
  }
  StartupGuard(const StartupGuard&) = delete;
  StartupGuard& operator=(const StartupGuard&) = delete;

 private:
  void RestoreStderr() {
    if (stderr_ < 0) return;
    std::fflush(stderr);
    dup2(stderr_, STDERR_FILENO);
    close(stderr_);
    stderr_ = -1;
  }

  static void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    StartupGuard* guard = active_;
    if (type != QtFatalMsg || guard == nullptr) {
      if (guard != nullptr) guard->previous_(type, context, message);
      return;
    }
    guard->RestoreStderr();
    std::fprintf(stderr, "%s: %s\n", identity::kExecutableName,
                 WhyNoDisplay(guard->platform_, message.toStdString()).c_str());
    std::_Exit(1);
  }

  static inline StartupGuard* active_ = nullptr;
  PlatformChoice platform_;
  QtMessageHandler previous_ = nullptr;
  std::FILE* held_ = nullptr;
  int stderr_ = -1;
};

// Qt draws large fills on helper threads. Each thread takes a descriptor for
// its event loop's wakeup as it starts, and the toolkit aborts when it cannot
// have one; a pool makes them when first needed and ends them after 30 s
// idle, so one made again later, once the mixer had taken what was left,
// would end the program. Qt from 6.6 draws on a pool of its own, which the
// environment keeps off (DrawingEnvironment); before, on the global pool,
// which is held here to one thread, made now, while the descriptors counted
// at the entry are there, and kept for the run.
void KeepDrawingThreads() {
#if QT_VERSION < QT_VERSION_CHECK(6, 6, 0)
  QThreadPool* pool = QThreadPool::globalInstance();
  pool->setMaxThreadCount(1);
  pool->setExpiryTimeout(-1);
  pool->start([] {});
#endif
}

}  // namespace

process::EnvironmentChanges DrawingEnvironment() { return {{"QT_NO_GUI_THREADPOOL", "1"}}; }

Application::Application(int argc, char** argv, const std::string& display_name,
                         const std::string& desktop_file) {
  const PlatformChoice platform = ChosenPlatform(argc, argv);
  // Qt's own default differs in GNOME's Wayland session, so the default is
  // handed to Qt as if given on the command line, first, where no option of
  // the user's left without its value can take it for its own; a user's
  // choice is left as it was given.
  arguments_.assign(argv, argv + argc);
  if (platform.source == PlatformChoice::Source::kDefault && !arguments_.empty()) {
    platform_option_ = "-platform";
    platform_name_ = platform.platforms;
    arguments_.insert(arguments_.begin() + 1, {platform_option_.data(), platform_name_.data()});
  }
  argument_count_ = static_cast<int>(arguments_.size());
  arguments_.push_back(nullptr);
  {
    const StartupGuard guard(platform);
    app_ = std::make_unique<QApplication>(argument_count_, arguments_.data());
  }
  KeepDrawingThreads();
  QApplication::setApplicationName(identity::kExecutableName);
  QApplication::setApplicationDisplayName(QString::fromStdString(display_name));
  if (!desktop_file.empty()) {
    QGuiApplication::setDesktopFileName(QString::fromStdString(desktop_file));
  }
  x11_desktop_file_ = NameDesktopFileOnX11Windows(desktop_file);
  motion_ = std::make_unique<DesktopMotionWatch>();
}

Application::~Application() = default;

int Application::Run() { return QApplication::exec(); }

}  // namespace toolkit
