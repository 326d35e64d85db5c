# Sourced by the end-to-end tests: a private PulseAudio and an Xvfb display,
# both stopped again when the test exits, and helpers to drive the window.
# A test with cleaning of its own defines it as the function on_exit first.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=../../scripts/need.sh
source "$here/scripts/need.sh"
need pulseaudio pulseaudio
need pactl pulseaudio-utils
need Xvfb xvfb
need xdotool xdotool
need import imagemagick
work=$(mktemp -d)
app_pid=""
xvfb_pid=""
cleanup() {
  if declare -F on_exit >/dev/null; then on_exit; fi
  if [ -n "$app_pid" ]; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  "$here/scripts/sound-server" stop "$work/sound" || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -s "$work/app.log" ] && sed 's/^/  program: /' "$work/app.log" >&2
  exit 1
}

# Waits for a condition instead of a fixed time: runs the command until it
# succeeds, for up to WAIT_SECONDS (10 by default; the machine may be busy).
wait_for() {
  local end=$((SECONDS + ${WAIT_SECONDS:-10}))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.05
  done
}

"$here/scripts/sound-server" start "$work/sound"
# shellcheck source=/dev/null
source "$work/sound/env"
read -r DISPLAY xvfb_pid < <("$here/scripts/xvfb-display" "${XVFB_SIZE:-1024x768x24}")
export DISPLAY
unset QT_QPA_PLATFORM

# The raw volume of the default sink's first channel.
sink() { pactl get-sink-volume @DEFAULT_SINK@ | sed -n 's/^Volume: front-left: \([0-9]*\) .*/\1/p'; }
# Whether the sink's volume is one of the given raw values.
sink_is() {
  local v want
  v=$(sink)
  for want in "$@"; do [ "$v" = "$want" ] && return 0; done
  return 1
}

# Starts the program and waits for its window; sets window, X, Y, WIDTH, HEIGHT.
start_program() {
  "$1" >"$work/app.log" 2>&1 &
  app_pid=$!
  window=$(timeout 30 xdotool search --sync --onlyvisible --name '^bLaRgO v1\.01$' | head -n 1) ||
    fail "no window titled 'bLaRgO v1.01' within 30 s"
  eval "$(xdotool getwindowgeometry --shell "$window")"
}

# Clicks at window coordinates, in logical pixels.
click() {
  local s=${QT_SCALE_FACTOR:-1}
  xdotool mousemove --sync $((X + $1 * s)) $((Y + $2 * s)) click 1
}

# The colour of one window pixel as rrggbb.
pixel() {
  import -window "$window" -crop "1x1+$1+$2" +repage -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tr 'A-F' 'a-f'
}
# Whether a window pixel shows the colour rrggbb.
pixel_is() { [ "$(pixel "$1" "$2")" = "$3" ]; }
