// Counts the frames a window pushes to the X display, seen from outside,
// through the DAMAGE extension. Qt puts a repainted window with one image
// request per dirty rectangle, so the requests of one frame come within
// microseconds of each other: damage in the same millisecond of the server's
// clock that reaches this client less than half a millisecond after the last
// is taken as the same frame (at 1,000 frames a second they would be a whole
// millisecond apart).
//   frame_count WINDOW_ID SECONDS
// Prints "frames_per_s: N" and "damage_requests_per_s: N".
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <sys/select.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: frame_count WINDOW_ID SECONDS\n");
    return 2;
  }
  const Window window = std::strtoul(argv[1], nullptr, 0);
  const double seconds = std::atof(argv[2]);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "frame_count: cannot open the display\n");
    return 1;
  }
  int event_base = 0;
  int error_base = 0;
  if (!XDamageQueryExtension(display, &event_base, &error_base)) {
    std::fprintf(stderr, "frame_count: the display has no DAMAGE extension\n");
    return 1;
  }
  XDamageCreate(display, window, XDamageReportRawRectangles);
  XSync(display, False);
  long frames = 0;
  long requests = 0;
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto last_damage = start - std::chrono::seconds(1);
  Time last_server_ms = 0;
  const auto end = start + std::chrono::duration<double>(seconds);
  const int fd = ConnectionNumber(display);
  while (Clock::now() < end) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != event_base + XDamageNotify) continue;
      // A request that damages several rectangles reports them one by one,
      // all but the last with `more` set.
      const auto& damage = *reinterpret_cast<XDamageNotifyEvent*>(&event);
      if (damage.more) continue;
      ++requests;
      const auto now = Clock::now();
      if (damage.timestamp != last_server_ms ||
          now - last_damage > std::chrono::microseconds(500)) {
        ++frames;
      }
      last_damage = now;
      last_server_ms = damage.timestamp;
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    timeval wait{0, 1000};
    select(fd + 1, &readable, nullptr, nullptr, &wait);
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("frames_per_s: %.1f\n", static_cast<double>(frames) / elapsed);
  std::printf("damage_requests_per_s: %.1f\n", static_cast<double>(requests) / elapsed);
  XCloseDisplay(display);
  return 0;
}
