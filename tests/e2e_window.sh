#!/usr/bin/env bash
# The real program in a real X window (Xvfb) against a private PulseAudio:
# found by its title, photographed, and clicked with xdotool.
#   e2e_window.sh BLARGO_BINARY OUTPUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
blargo=$1
out=$2
mkdir -p "$out"
work=$(mktemp -d)
app_pid=""
xvfb_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  "$here/scripts/sound-server" stop "$work/sound" || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$here/scripts/sound-server" start "$work/sound"
# shellcheck source=/dev/null
source "$work/sound/env"
read -r DISPLAY xvfb_pid < <("$here/scripts/xvfb-display")
export DISPLAY
unset QT_QPA_PLATFORM

sink() { pactl get-sink-volume @DEFAULT_SINK@ | sed -n 's/^Volume: front-left: \([0-9]*\) .*/\1/p'; }
pactl set-sink-volume @DEFAULT_SINK@ 100%

"$blargo" >"$work/app.log" 2>&1 &
app_pid=$!
window=$(timeout 10 xdotool search --sync --onlyvisible --name '^bLaRgO v1\.01$' | head -n 1) ||
  fail "no window titled 'bLaRgO v1.01' within 10 s"
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" = 689 ] && [ "$HEIGHT" = 445 ] || fail "window is ${WIDTH}x${HEIGHT}, not 689x445"
# Centred on the 1024x768 screen.
[ $((X + WIDTH / 2)) -ge 500 ] && [ $((X + WIDTH / 2)) -le 524 ] || fail "window not centred (x=$X)"

sleep 0.3
import -window "$window" "$out/window.png"
# Mostly the black background, with the light text and controls on it.
black=$(convert "$out/window.png" -fill white +opaque black -fill black -opaque black -format '%[fx:1-mean]' info:)
awk -v b="$black" 'BEGIN { exit !(b > 0.80) }' || fail "background is not black (black share $black)"
# The percentage still reads "??%": the program does not read the volume.
[ "$(sink)" = 65536 ] || fail "the program changed the volume at start"

click() { xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1; sleep 0.2; }
# "SET 25%" is 248..313 x 200..225 in window pixels.
click 280 212
v=$(sink)
[ "$v" = 16500 ] || [ "$v" = 16501 ] || fail "SET 25% left the sink at $v"
# "SET100%" is 432..489.
click 460 212
[ "$(sink)" = 65536 ] || fail "SET100% left the sink at $(sink)"
# "MUTE" is 192..249.
click 220 212
[ "$(sink)" = 0 ] || fail "MUTE left the sink at $(sink)"
import -window "$window" "$out/window-muted.png"

kill -0 "$app_pid" || fail "the program died"
echo "1 passed, 0 failed"
