// Starts a program and waits until it maps a top-level window on the X
// display, then prints "PID MILLISECONDS" and leaves the program running.
//   map_wait TIMEOUT_S COMMAND [ARG...]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "x_client.h"

namespace {

// The _NET_WM_PID of a window, or 0.
long WindowPid(Display* display, Window window) {
  static const Atom pid_atom = XInternAtom(display, "_NET_WM_PID", False);
  Atom type = 0;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  long pid = 0;
  if (XGetWindowProperty(display, window, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format,
                         &items, &after, &data) == Success &&
      data != nullptr) {
    if (items == 1 && format == 32) pid = *reinterpret_cast<long*>(data);
    XFree(data);
  }
  return pid;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: map_wait TIMEOUT_S COMMAND [ARG...]\n");
    return 2;
  }
  Display* display = x_client::OpenDisplay("map_wait");
  if (display == nullptr) return 1;
  const Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  const auto start = x_client::Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[2], argv + 2);
    _exit(127);
  }
  const bool mapped = x_client::WaitForEvent(
      display, start + std::chrono::seconds(std::atoi(argv[1])), [&](const XEvent& event) {
        return event.type == MapNotify && !event.xmap.override_redirect &&
               WindowPid(display, event.xmap.window) == child;
      });
  if (!mapped) {
    std::fprintf(stderr, "map_wait: no window within %s s\n", argv[1]);
    std::printf("%d -1\n", static_cast<int>(child));
    return 1;
  }
  const double ms =
      std::chrono::duration<double, std::milli>(x_client::Clock::now() - start).count();
  std::printf("%d %.1f\n", static_cast<int>(child), ms);
  return 0;
}
