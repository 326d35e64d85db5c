// Measures how promptly a window's GUI thread answers, the way a window
// manager checks whether a program still responds: it sends _NET_WM_PING
// again and again and times each reply (which the toolkit sends from its GUI
// thread). A ping still unanswered at the end is waited for, up to a minute,
// so a long stall is measured whole.
//   x_ping WINDOW_ID SECONDS
// Prints "pings N" and "longest_ms MS"; exits 1 if a ping was never answered.
#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Waits for the reply to ping `number` until `give_up`; true when it came.
bool AwaitReply(Display* display, Atom protocols, Atom ping, long number,
                Clock::time_point give_up) {
  while (Clock::now() < give_up) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ClientMessage && event.xclient.message_type == protocols &&
          static_cast<Atom>(event.xclient.data.l[0]) == ping && event.xclient.data.l[1] == number) {
        return true;
      }
    }
    pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
    poll(&descriptor, 1, 5);
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: x_ping WINDOW_ID SECONDS\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "x_ping: cannot open the display\n");
    return 1;
  }
  const Window window = std::strtoul(argv[1], nullptr, 0);
  const Clock::time_point end =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double>(std::atof(argv[2])));
  const Window root = DefaultRootWindow(display);
  // The toolkit answers to the root window, for clients that watch its structure.
  XSelectInput(display, root, StructureNotifyMask);
  const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  const Atom ping = XInternAtom(display, "_NET_WM_PING", False);

  long number = 0;
  double longest_ms = 0;
  bool answered = true;
  while (answered && Clock::now() < end) {
    ++number;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = number;
    event.xclient.data.l[2] = static_cast<long>(window);
    const auto sent = Clock::now();
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    answered =
        AwaitReply(display, protocols, ping, number, std::max(end, sent) + std::chrono::minutes(1));
    longest_ms = std::max(longest_ms,
                          std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::printf("pings %ld\nlongest_ms %.1f\n", number, longest_ms);
  XCloseDisplay(display);
  return answered ? 0 : 1;
}
