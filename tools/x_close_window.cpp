// Asks an X window to close, as a window manager's close button does
// (WM_DELETE_WINDOW), so scripts can close a window on a bare Xvfb.
//   x_close_window WINDOW_ID
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

#include "x_client.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: x_close_window WINDOW_ID\n");
    return 2;
  }
  Display* display = x_client::OpenDisplay("x_close_window");
  if (display == nullptr) return 1;
  const Window window = std::strtoul(argv[1], nullptr, 0);
  const bool sent = x_client::SendProtocol(
      display, window, XInternAtom(display, "WM_DELETE_WINDOW", False), CurrentTime, 0);
  XSync(display, False);
  XCloseDisplay(display);
  return sent ? 0 : 1;
}
