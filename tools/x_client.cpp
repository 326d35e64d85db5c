#include "x_client.h"

#include <poll.h>

#include <algorithm>
#include <cstdio>

namespace x_client {

Display* OpenDisplay(const char* tool) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) std::fprintf(stderr, "%s: cannot open the display\n", tool);
  return display;
}

bool SendProtocol(Display* display, Window window, Atom protocol, long first, long second) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(protocol);
  event.xclient.data.l[1] = first;
  event.xclient.data.l[2] = second;
  const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  return sent != 0;
}

bool WaitForEvent(Display* display, Clock::time_point give_up,
                  const std::function<bool(const XEvent&)>& wanted) {
  while (true) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (wanted(event)) return true;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(give_up - Clock::now());
    if (left.count() <= 0) return false;
    // Woken by the next event; the cap only keeps the deadline checked.
    pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
    poll(&descriptor, 1,
         static_cast<int>(std::min<std::chrono::milliseconds::rep>(left.count(), 100)));
  }
}

}  // namespace x_client
