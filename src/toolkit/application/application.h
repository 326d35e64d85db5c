#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "process/environment_change.h"

class QApplication;
class QObject;

namespace toolkit {

class DesktopMotionWatch;

// What the toolkit needs in the process's environment before it starts: its
// drawing kept on the GUI thread (see application.cpp).
process::EnvironmentChanges DrawingEnvironment();

// The descriptors the toolkit takes to start and keeps: the display's
// connection, a wakeup for each of its threads' event loops (the GUI
// thread's, the display reader's, the bus connection's and a drawing
// thread's), the session and accessibility buses, a timer for each interval
// of the form; and while it starts, the file its start-up messages are held
// in, a copy of stderr, and the files of fonts and plugins it reads. With
// both buses and accessibility on it started with 11 free and said nothing;
// three more are left to spare, as the mixer leaves. Short of one for a
// thread the toolkit aborts, so the entry does not start it with fewer.
inline constexpr std::size_t kDescriptorsToStart = 14;

// The toolkit's process-wide state and its message loop. Create it before any
// window and keep it until the loop has ended.
class Application {
 public:
  // `desktop_file` names the program's .desktop file (without ".desktop"),
  // which desktops match its windows to. Without a display to open, one line
  // on stderr says why, and the process ends with status 1, instead of the
  // toolkit's own report (which aborts).
  Application(int argc, char** argv, const std::string& display_name,
              const std::string& desktop_file = {});
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Runs the message loop until the last window closes; returns the exit code.
  int Run();

 private:
  // The command line as Qt reads it, kept as long as Qt may: the program's
  // own, and the platform to try where the user chose none.
  std::string platform_option_;
  std::string platform_name_;
  std::vector<char*> arguments_;
  int argument_count_ = 0;
  std::unique_ptr<QApplication> app_;
  // The desktop's wish for less motion, followed while the loop runs.
  std::unique_ptr<DesktopMotionWatch> motion_;
  // The desktop file named on X11 windows where Qt does not name it.
  std::unique_ptr<QObject> x11_desktop_file_;
};

}  // namespace toolkit
