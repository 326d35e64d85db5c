#pragma once

#include <memory>
#include <string>

class QObject;

namespace toolkit {

// On X11, names the program's desktop file (its id, without ".desktop") on
// every window as it is made, in _KDE_NET_WM_DESKTOP_FILE (which KWin reads)
// and _GTK_APPLICATION_ID (which mutter reads), before the window is mapped.
// Qt 6.8 writes both itself, from the same name, so writing them again
// changes nothing there; Qt 6.4 writes neither, and KWin then knows no
// desktop file for the window. Elsewhere, and with no name, it does nothing
// and returns null. Call it on the GUI thread, after the application, before
// any window, and keep what it returns for as long as windows are made.
std::unique_ptr<QObject> NameDesktopFileOnX11Windows(const std::string& desktop_file);

}  // namespace toolkit
