#pragma once

// What the small X programs of the tests, the soak and the benchmarks share:
// the connection, a window manager's protocol message, and a bounded wait
// for an event.
#include <X11/Xlib.h>

#include <chrono>
#include <functional>

namespace x_client {

using Clock = std::chrono::steady_clock;

// The display $DISPLAY names, or null after "TOOL: cannot open the display"
// on stderr.
Display* OpenDisplay(const char* tool);

// Sends `window` the WM_PROTOCOLS message a window manager sends (`protocol`
// is WM_DELETE_WINDOW, _NET_WM_PING, ...) with its two arguments, and flushes
// it; false when Xlib could not send it.
bool SendProtocol(Display* display, Window window, Atom protocol, long first, long second);

// Hands each event that comes to `wanted` until it takes one (true) or
// `give_up` passes (false): a window that never answers costs a bounded wait.
bool WaitForEvent(Display* display, Clock::time_point give_up,
                  const std::function<bool(const XEvent&)>& wanted);

}  // namespace x_client
