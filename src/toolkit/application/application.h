#pragma once

#include <memory>
#include <string>

class QApplication;

namespace toolkit {

// The toolkit's process-wide state and its message loop. Create it before any
// window and keep it until the loop has ended.
class Application {
 public:
  // Told, in one line, why no display could be opened; the process then ends
  // with status 1.
  using NoDisplay = void (*)(const std::string& reason);

  // `desktop_file` names the program's .desktop file (without ".desktop"),
  // which desktops match its windows to. Without a display to open,
  // `no_display` is called instead of the toolkit's own report (which aborts).
  Application(int& argc, char** argv, const std::string& display_name,
              const std::string& desktop_file = {}, NoDisplay no_display = nullptr);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Runs the message loop until the last window closes; returns the exit code.
  int Run();

 private:
  std::unique_ptr<QApplication> app_;
};

}  // namespace toolkit
