#include "main/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// Qt's standard options (QGuiApplication and QApplication), which Qt takes
// out of the command line itself. Those in the first list take a value.
constexpr std::array<std::string_view, 15> kQtOptionsWithValue{
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "name",          "title",   "visual"};
// Of those, the only ones Qt also reads as "-name=value".
constexpr std::array<std::string_view, 2> kQtOptionsWithEquals{"style", "stylesheet"};
constexpr std::array<std::string_view, 5> kQtFlags{"reverse", "widgetcount", "nograb", "dograb",
                                                   "sync"};

bool Contains(auto list, std::string_view word) {
  return std::find(list.begin(), list.end(), word) != list.end();
}

}  // namespace

CommandLine ReadCommandLine(const std::vector<std::string>& arguments) {
  CommandLine result;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (argument == "-h" || argument == "--help") return {CommandLine::Action::kHelp, {}};
    if (argument == "-v" || argument == "--version") return {CommandLine::Action::kVersion, {}};
    if (result.action == CommandLine::Action::kError) continue;  // a later --help still wins

    std::string_view name = argument;
    if (name.starts_with("--")) {
      name.remove_prefix(2);
    } else if (name.starts_with("-")) {
      name.remove_prefix(1);
    } else {
      result = {CommandLine::Action::kError,
                "takes no arguments, but was given '" + std::string(argument) + "'"};
      continue;
    }
    const std::string_view key = name.substr(0, name.find('='));
    if (name.starts_with("qmljsdebugger=") || Contains(kQtFlags, name)) continue;
    if (Contains(kQtOptionsWithValue, key)) {
      if (key == name) {
        ++i;  // the value is the next argument
      } else if (!Contains(kQtOptionsWithEquals, key)) {
        // Qt would pass over it and start as if it had not been given.
        result = {CommandLine::Action::kError, "Qt reads '-" + std::string(key) + " " +
                                                   std::string(name.substr(key.size() + 1)) +
                                                   "', not '" + std::string(argument) + "'"};
      }
      continue;
    }
    result = {CommandLine::Action::kError, "unknown option '" + std::string(argument) + "'"};
  }
  return result;
}

std::string HelpText() {
  return "Usage: blargo [Qt options]\n"
         "Sets the sound volume from a small window; its party mode pumps the\n"
         "volume up and down while the window flashes.\n"
         "\n"
         "  -h, --help     show this help and exit\n"
         "  -v, --version  show the version and exit\n"
         "\n"
         "Qt's standard options (-platform, -style, ...) are accepted.\n";
}
