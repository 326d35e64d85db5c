// Watches one pixel of a window for a while and counts how often its colour
// changes: samples as fast as the X server answers, so that a change that
// stays a frame is seen.
//   x_colour_changes WINDOW X Y SECONDS
// Prints "samples N", "changes N", "seconds S" and "most_in_a_second N" (the
// most changes seen in any one second of the watch).
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>

namespace {

int IgnoreErrors(Display* /*display*/, XErrorEvent* /*error*/) { return 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: x_colour_changes WINDOW X Y SECONDS\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "x_colour_changes: cannot open the display\n");
    return 1;
  }
  XSetErrorHandler(IgnoreErrors);
  const auto window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
  const int x = std::atoi(argv[2]);
  const int y = std::atoi(argv[3]);
  const std::chrono::duration<double> length(std::atof(argv[4]));

  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  std::deque<Clock::time_point> last_second;
  long samples = 0;
  long changes = 0;
  std::size_t most = 0;
  bool seen = false;
  unsigned long colour = 0;
  while (Clock::now() - start < length) {
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
      std::fprintf(stderr, "x_colour_changes: the window cannot be read\n");
      return 1;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFFUL;
    XDestroyImage(image);
    const Clock::time_point now = Clock::now();
    ++samples;
    if (seen && pixel != colour) {
      ++changes;
      last_second.push_back(now);
      while (now - last_second.front() > std::chrono::seconds(1)) last_second.pop_front();
      if (last_second.size() > most) most = last_second.size();
    }
    seen = true;
    colour = pixel;
  }
  const std::chrono::duration<double> took = Clock::now() - start;
  std::printf("samples %ld\nchanges %ld\nseconds %.2f\nmost_in_a_second %zu\n", samples, changes,
              took.count(), most);
  XCloseDisplay(display);
  return 0;
}
