// Measures how promptly a window's GUI thread answers, the way a window
// manager checks whether a program still responds: it sends _NET_WM_PING
// again and again and times each reply (which the toolkit sends from its GUI
// thread). A ping still unanswered at the end is waited for, up to a minute,
// so a long stall is measured whole.
//   x_ping WINDOW_ID SECONDS
// Prints "pings N" and "longest_ms MS"; exits 1 if a ping was never answered.
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "x_client.h"

using x_client::Clock;

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: x_ping WINDOW_ID SECONDS\n");
    return 2;
  }
  Display* display = x_client::OpenDisplay("x_ping");
  if (display == nullptr) return 1;
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
    const auto sent = Clock::now();
    x_client::SendProtocol(display, window, ping, number, static_cast<long>(window));
    answered = x_client::WaitForEvent(
        display, std::max(end, sent) + std::chrono::minutes(1), [&](const XEvent& event) {
          return event.type == ClientMessage && event.xclient.message_type == protocols &&
                 static_cast<Atom>(event.xclient.data.l[0]) == ping &&
                 event.xclient.data.l[1] == number;
        });
    longest_ms = std::max(longest_ms,
                          std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::printf("pings %ld\nlongest_ms %.1f\n", number, longest_ms);
  XCloseDisplay(display);
  return answered ? 0 : 1;
}
