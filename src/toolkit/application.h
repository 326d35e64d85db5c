#pragma once

#include <memory>
#include <string>

class QApplication;

namespace toolkit {

// The toolkit's process-wide state and its message loop. Create it before any
// window and keep it until the loop has ended.
class Application {
 public:
  // `desktop_file` names the program's .desktop file (without ".desktop"),
  // which desktops match its windows to.
  Application(int& argc, char** argv, const std::string& display_name,
              const std::string& desktop_file = {});
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Runs the message loop until the last window closes; returns the exit code.
  int Run();

 private:
  std::unique_ptr<QApplication> app_;
};

}  // namespace toolkit
