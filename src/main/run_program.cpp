#include "main/run_program.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "identity/program_identity.h"
#include "main/command_line.h"
#include "main/process_environment.h"
#include "main/standard_streams.h"
#include "process/free_descriptors.h"
#include "toolkit/application/application.h"
#include "window/form1.h"

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
  ApplyEnvironment(ProgramEnvironment());

  toolkit::Application app(
      argc, argv, Form1::kCaption, identity::kDesktopFileId, [](const std::string& reason) {
        std::fprintf(stderr, "%s: %s\n", identity::kExecutableName, reason.c_str());
      });
  Form1 form;
  form.Show();
  return app.Run();
}
