#pragma once

#include <string>

namespace toolkit {

// The platforms Qt is about to try, and who chose them. Read before Qt starts:
// Qt takes its own options out of the command line as it reads them.
struct PlatformChoice {
  enum class Source { kDefault, kEnvironment, kCommandLine };
  std::string platforms;  // as Qt reads it: names separated by ';', each with its ":options"
  Source source = Source::kDefault;
};

// What Qt is to try: "-platform NAME" (or "--platform NAME") on the command
// line before QT_QPA_PLATFORM, before the desktop session's default. That
// default is Wayland first in a Wayland session, but X11 (Xwayland) first in
// GNOME's where it offers an X display; otherwise X11.
PlatformChoice ChosenPlatform(int argc, const char* const* argv);

// Why Qt opened no display, in one line for the user: each platform tried,
// who chose it, what went wrong and what to do instead, with the platforms
// the installed plugins offer. `qt_message` is Qt's own fatal message, whose
// first line is quoted for a platform nothing more is known of.
std::string WhyNoDisplay(const PlatformChoice& choice, const std::string& qt_message);

}  // namespace toolkit
