#pragma once

#include <string>
#include <vector>

// What the command line asks for. The program takes no arguments that change
// what it does: only --help and --version, beside Qt's own standard options.
struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kError };
  Action action = Action::kRun;
  std::string error;  // for kError: one line, without the program name
};

// Reads the arguments after the program name, before Qt sees them, so that
// --help, --version and mistakes are answered without a display.
CommandLine ReadCommandLine(const std::vector<std::string>& arguments);

std::string HelpText();
