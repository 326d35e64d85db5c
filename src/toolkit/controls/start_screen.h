#pragma once

#include <QString>

class QScreen;

namespace toolkit {

// Whether the desktop named by XDG_CURRENT_DESKTOP (a colon-separated list)
// opens new windows on the screen with the pointer: GNOME's mutter and KDE's
// KWin do; elsewhere, and with no desktop named, new windows open on the
// primary screen.
bool PointerScreenTakesNewWindows(const QString& current_desktop);

// The screen a new window opens on, as the desktop would choose it. A window
// not yet shown stands at 0,0, which on a row of screens is the leftmost one
// rather than the one the desktop starts windows on; null without screens.
QScreen* StartScreen();

}  // namespace toolkit
