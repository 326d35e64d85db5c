#include "main/run_program.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "main/command_line.h"
#include "toolkit/application/application.h"
#include "window/form1.h"

int RunProgram(int argc, char* argv[], Environment environment) {
  if (!InstallEnvironment(std::move(environment))) {
    std::fputs("blargo: part of the environment was in place already, and stays\n", stderr);
  }
  const CommandLine command_line = ReadCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (command_line.action) {
    case CommandLine::Action::kHelp:
      std::fputs(HelpText().c_str(), stdout);
      return 0;
    case CommandLine::Action::kVersion:
      std::printf("%s\n", Form1::kCaption);
      return 0;
    case CommandLine::Action::kError:
      std::fprintf(stderr, "blargo: %s (see blargo --help)\n", command_line.error.c_str());
      return 2;
    case CommandLine::Action::kRun:
      break;
  }

  toolkit::Application app(
      argc, argv, Form1::kCaption, "org.blargo.Blargo",
      [](const std::string& reason) { std::fprintf(stderr, "blargo: %s\n", reason.c_str()); });
  Form1 form;
  form.Show();
  return app.Run();
}
