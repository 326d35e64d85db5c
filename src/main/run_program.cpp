#include "main/run_program.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "identity/program_identity.h"
#include "main/command_line.h"
#include "mixer/system/system_mixer.h"
#include "process/environment_change.h"
#include "process/free_descriptors.h"
#include "toolkit/application/application.h"
#include "toolkit/application/bus_probe.h"
#include "toolkit/application/scale_factors.h"
#include "window/form1.h"

namespace {

// Opens /dev/null on whichever of descriptors 0, 1 and 2 is closed. A
// launcher, a service manager or a desktop file may start the program with
// them closed; then the first descriptor the process opens takes the lowest
// number, and what is written to stdout or stderr goes into it: into the
// display's connection, say. So this runs first, before anything opens a
// descriptor. False, with errno set, when one could not be opened.
bool OpenStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number: this one, as those below it are open.
    const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened < 0) return false;
    if (opened != fd) {
      ::close(opened);
      errno = EBADF;
      return false;
    }
  }
  return true;
}

// Puts what each part wants into the process's environment, and says on
// stderr, one line each, what was left out and why. Only while no other
// thread runs: glibc's setenv may move the environment from under a thread
// that reads it. The buses are probed for at most half a second, so a
// silent bus costs the window no more.
void ApplyProgramEnvironment() {
  const std::vector<process::EnvironmentAdvice> advice = {
      toolkit::KeepScaleFactorsDrawable(),
      toolkit::KeepToolkitOffSilentBuses(toolkit::BusAddressesOfEnvironment(),
                                         std::chrono::milliseconds(500)),
      {{}, toolkit::DrawingEnvironment()},
      {{}, mixer::SystemMixerEnvironment()}};
  for (const process::EnvironmentAdvice& part : advice) {
    if (!part.why.empty()) {
      std::fprintf(stderr, "%s: %s\n", identity::kExecutableName, part.why.c_str());
    }
    for (const auto& [name, value] : part.changes) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
}

}  // namespace

int RunProgram(int argc, char* argv[], Environment environment) {
  if (!OpenStandardStreams()) {
    std::fprintf(stderr, "%s: cannot open /dev/null for a closed standard stream: %s\n",
                 identity::kExecutableName, std::strerror(errno));
    return 1;
  }
  if (!InstallEnvironment(std::move(environment))) {
    std::fprintf(stderr, "%s: part of the environment was in place already, and stays\n",
                 identity::kExecutableName);
  }
  const CommandLine command_line = ReadCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (command_line.action) {
    case CommandLine::Action::kHelp:
      std::fputs(HelpText().c_str(), stdout);
      return 0;
    case CommandLine::Action::kVersion:
      // As other commands answer: the name typed, then the version.
      std::printf("%s %s\n", identity::kExecutableName, identity::kVersion);
      return 0;
    case CommandLine::Action::kError:
      std::fprintf(stderr, "%s: %s (see %s --help)\n", identity::kExecutableName,
                   command_line.error.c_str(), identity::kExecutableName);
      return 2;
    case CommandLine::Action::kRun:
      break;
  }

  // Counted before the toolkit or any thread starts: once they run, each
  // descriptor taken may be one a thread of the toolkit needs to start.
  if (const std::size_t free = process::FreeDescriptors(); free < toolkit::kDescriptorsToStart) {
    std::fprintf(stderr,
                 "%s: too few file descriptors to open the window: %zu free, it needs %zu "
                 "(raise the limit, ulimit -n)\n",
                 identity::kExecutableName, free, toolkit::kDescriptorsToStart);
    return 1;
  }
  ApplyProgramEnvironment();

  toolkit::Application app(argc, argv, Form1::kCaption, identity::kDesktopFileId);
  Form1 form;
  form.Show();
  return app.Run();
}
