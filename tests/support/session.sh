# shellcheck shell=bash
# Sourced by the end-to-end tests, the soak and the benchmarks: one way to
# fail, to wait for a condition and to tell a hang; a private sound server
# and Xvfb display; private session and accessibility buses and a window
# manager; the program's window found by its title and clicked on its
# controls by name. Sourcing only defines: `session_start` makes the scratch
# folder `work` and starts the servers, `session_work` makes the folder alone.
# Whatever they start is stopped when the script exits; a script hands its own
# processes over with `stop_at_exit PID`, and other cleaning of its own it
# defines as the function on_exit.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=../../scripts/need.sh
source "$top/scripts/need.sh"

# What takes this many seconds has hung. Timings are printed as they are and
# fail only from here: below it, a loaded machine's slowness is no fault.
hang_s=10

work=""
app_pid=""
xvfb_pid=""
stopped_at_exit=()
stop_at_exit() { stopped_at_exit+=("$@"); }
cleanup() {
  if declare -F on_exit >/dev/null; then on_exit; fi
  local pid
  # A process a test froze takes its signal once it runs again.
  for pid in $app_pid "${stopped_at_exit[@]}" $xvfb_pid; do
    if kill "$pid" 2>/dev/null; then kill -CONT "$pid" 2>/dev/null || true; fi
  done
  if [ -n "$work" ]; then
    if [ -d "$work/sound" ]; then "$top/scripts/sound-server" stop "$work/sound" >/dev/null 2>&1 || true; fi
    rm -rf "$work"
  fi
}
fail() {
  echo "FAIL: $*" >&2
  if [ -n "$work" ] && [ -s "$work/app.log" ]; then sed 's/^/  program: /' "$work/app.log" >&2; fi
  exit 1
}

# Milliseconds of the wall clock (bash's own, whatever the locale's decimal sign).
now_ms() {
  local us=${EPOCHREALTIME//[!0-9]/}
  echo $((us / 1000))
}
# Waits for a condition instead of a fixed time: runs the command until it
# succeeds, for up to WAIT_SECONDS (hang scale by default).
wait_for() {
  local end=$(($(now_ms) + ${WAIT_SECONDS:-$hang_s} * 1000))
  until "$@"; do
    [ "$(now_ms)" -lt "$end" ] || return 1
    sleep 0.05
  done
}
# `timing NAME MS WHAT` prints "NAME: MS" and fails once MS reaches hang
# scale, or when no time was measured.
timing() {
  echo "$1: $2"
  [[ $2 =~ ^[0-9]+(\.[0-9]+)?$ ]] || fail "$3: no time was measured"
  awk -v ms="$2" -v hang="$hang_s" 'BEGIN { exit !(ms < hang * 1000) }' ||
    fail "$3: $2 ms, a hang (${hang_s} s or more)"
}

# A desktop's own locale, for checks that read the program's stderr: in the C
# locale Qt 6.8 warns there at start, which they would take for the program's
# own line.
desktop_locale() { export LC_ALL=C.UTF-8; }

session_work() {
  work=$(mktemp -d)
  trap cleanup EXIT
  # Caches of the test's own: Debian 12's accessibility bus puts its socket
  # there (at-spi/bus, with no display's name on Wayland), and two tests run
  # side by side took each other's. A bus of the test's own starts its
  # services with it too.
  export XDG_CACHE_HOME="$work/cache"
  mkdir -p "$XDG_CACHE_HOME"
  if [ -n "${BLARGO_PRIVATE_BUS:-}" ]; then
    need dbus-update-activation-environment dbus-bin
    dbus-update-activation-environment XDG_CACHE_HOME
  fi
}
# A private sound server and an Xvfb display of XVFB_SIZE, in this shell's
# environment.
session_start() {
  need xdotool xdotool
  need import imagemagick
  need pactl pulseaudio-utils
  session_work
  "$top/scripts/sound-server" start "$work/sound" >&2
  # shellcheck source=/dev/null
  source "$work/sound/env"
  start_display
}
# An Xvfb display of XVFB_SIZE, for Qt's X11 platform.
start_display() {
  read -r DISPLAY xvfb_pid < <("$top/scripts/xvfb-display" "${XVFB_SIZE:-1024x768x24}")
  export DISPLAY
  unset QT_QPA_PLATFORM
}
sound_server_pid() { "$top/scripts/sound-server" pid "$work/sound"; }

# The raw volume of the default sink's first channel.
sink() { pactl get-sink-volume @DEFAULT_SINK@ | sed -n 's/^Volume: front-left: \([0-9]*\) .*/\1/p'; }
# Whether the sink's volume is one of the given raw values.
sink_is() {
  local v want
  v=$(sink)
  for want in "$@"; do [ "$v" = "$want" ] && return 0; done
  return 1
}

# A session bus of the script's own, gone with it: `private_bus "$@"` first
# thing runs the script again inside one.
private_bus() {
  [ -z "${BLARGO_PRIVATE_BUS:-}" ] || return 0
  need dbus-run-session dbus-daemon
  BLARGO_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@" 2> >(grep -v 'Failed to set fd limit' >&2)
}
# A session bus in the scratch folder, as the session's; sets session_bus_pid.
start_session_bus() {
  need dbus-daemon dbus-daemon
  dbus-daemon --session --address="unix:path=$work/session-bus" --nofork --nopidfile \
    </dev/null >"$work/bus.log" 2>&1 &
  session_bus_pid=$!
  stop_at_exit "$session_bus_pid"
  wait_for test -S "$work/session-bus" || fail "the private session bus did not start"
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/session-bus"
  unset AT_SPI_BUS_ADDRESS
}
# The accessibility bus's address, as its clients ask the session bus for it.
a11y_address() {
  dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress 2>/dev/null | tr -d ' '
}
a11y_bus_up() { [ -n "$(a11y_address)" ]; }
# The accessibility bus on the session bus, up before anything asks for it.
start_a11y_bus() {
  need /usr/libexec/at-spi-bus-launcher at-spi2-core
  need dbus-send dbus-bin
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/atspi.log" 2>&1 &
  stop_at_exit $!
  wait_for a11y_bus_up || fail "the accessibility bus did not start"
}
# openbox managing the display, once it owns the window manager selection.
start_openbox() {
  need openbox openbox
  need xprop x11-utils
  mkdir -p "$work/wm-home"
  HOME="$work/wm-home" openbox --sm-disable >"$work/wm.log" 2>&1 &
  stop_at_exit $!
  wait_for window_manager_up || fail "openbox did not start"
}
window_manager_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# Starts the program (logging to $work/app.log) and waits for its window.
start_program() {
  "$1" >"$work/app.log" 2>&1 &
  app_pid=$!
  find_window "$app_pid"
}
# Waits for the program's window (of process PID, if given); sets window, X,
# Y, WIDTH and HEIGHT.
# xdotool gives up on the whole search with an X error when a window it is
# walking goes away meanwhile (another program's, closing), so each look is
# one short search, repeated.
find_window() {
  # --all: the pid's window with that name; without it xdotool takes a
  # window matching either, such as GNOME 48's frame, which bears the title.
  local of=()
  [ -z "${1:-}" ] || of=(--all --pid "$1")
  window_shown() {
    window=$(xdotool search --onlyvisible "${of[@]}" --name '^bLaRgO v1\.01$' 2>/dev/null |
      head -n 1) || true
    [ -n "$window" ]
  }
  WAIT_SECONDS=30 wait_for window_shown || fail "no window titled 'bLaRgO v1.01' within 30 s"
  eval "$(xdotool getwindowgeometry --shell "$window")"
}
# After its window was closed: the program ends within hang scale, with
# success; prints close_ms.
await_exit() {
  local started took status=0
  started=$(now_ms)
  wait_for program_ended || true
  took=$(($(now_ms) - started))
  timing close_ms "$took" "closing"
  program_ended || fail "the program still runs $took ms after its window was closed"
  wait "$app_pid" || status=$?
  app_pid=""
  [ "$status" = 0 ] || fail "the program exited with status $status"
}

program_ended() { ! kill -0 "$app_pid" 2>/dev/null; }

# Each control's box in the window's layout, in pixels at scale 1: left, top,
# width, height. A click lands in the middle of the box.
declare -A controls=(
  [MUTE]="192 200 57 25"
  [SET 25%]="248 200 65 25"
  [SET 50%]="312 200 57 25"
  [SET 75%]="368 200 65 25"
  [SET100%]="432 200 57 25"
  [PLAY BABY!!!]="216 240 249 25"
  [STOP DEVIL!!!]="8 408 65 33"
)
# Sets point_x and point_y to the middle of the named control, in layout pixels.
control_point() {
  local box=${controls[$1]:-} left top across down
  [ -n "$box" ] || fail "no control is named \"$1\""
  read -r left top across down <<<"$box"
  point_x=$((left + across / 2))
  point_y=$((top + down / 2))
}
# Clicks the named control of the window found last (at QT_SCALE_FACTOR),
# wherever the window stands now: a window manager may have moved it since.
click_on() {
  control_point "$1"
  local s=${QT_SCALE_FACTOR:-1}
  xdotool mousemove --window "$window" --sync $((point_x * s)) $((point_y * s)) click 1
}

# The colour of one window pixel as rrggbb.
pixel() {
  import -window "$window" -crop "1x1+$1+$2" +repage -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tr 'A-F' 'a-f'
}
# Whether a window pixel shows the colour rrggbb.
pixel_is() { [ "$(pixel "$1" "$2")" = "$3" ]; }

# `start_pinging X_PING SECONDS` pings the window's GUI thread in the
# background with the x_ping tool.
start_pinging() {
  "$1" "$window" "$2" >"$work/ping" 2>&1 &
  ping_pid=$!
}
# Waits for the pinging to end; sets longest, the slowest answer in ms.
await_pings() {
  wait "$ping_pid" || fail "a ping was never answered: $(cat "$work/ping")"
  # shellcheck disable=SC2034  # the caller's
  longest=$(sed -n 's/^longest_ms //p' "$work/ping")
}
