#!/usr/bin/env bash
# The real program in a real X window (Xvfb) against a private PulseAudio:
# found by its title, photographed, and clicked with xdotool.
#   e2e_window.sh BLARGO_BINARY OUTPUT_DIR [SCALE]
# SCALE (1 or 2) is the device pixel ratio, set through QT_SCALE_FACTOR.
set -euo pipefail
blargo=$1
out=$2
scale=${3:-1}
mkdir -p "$out"
export QT_SCALE_FACTOR=$scale
export XVFB_SIZE=$((1024 * scale))x$((768 * scale))x24
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
session_start

pactl set-sink-volume @DEFAULT_SINK@ 100%

start_program "$blargo"
[ "$WIDTH" = $((689 * scale)) ] && [ "$HEIGHT" = $((445 * scale)) ] ||
  fail "window is ${WIDTH}x${HEIGHT} at scale $scale"
centre=$((X + WIDTH / 2))
[ $centre -ge $((500 * scale)) ] && [ $centre -le $((524 * scale)) ] || fail "window not centred (x=$X)"

shot="$out/window-scale$scale.png"
# Mostly the black background, with the light text and controls on it: the
# share of black once the window has painted them.
black=""
painted() {
  import -window "$window" "$shot" 2>/dev/null || return 1
  black=$(convert "$shot" -fill white +opaque black -fill black -opaque black -format '%[fx:1-mean]' info:)
  awk -v b="$black" 'BEGIN { exit !(b > 0.80 && b < 0.99) }'
}
wait_for painted || fail "the window is not black with its controls on it (black share $black)"
# Starting writes nothing.
[ "$(sink)" = 65536 ] || fail "the program changed the volume at start"

click_on "SET 25%"
wait_for sink_is 16384 || fail "SET 25% left the sink at $(sink)"
click_on "SET100%"
wait_for sink_is 65536 || fail "SET100% left the sink at $(sink)"
click_on MUTE
wait_for sink_is 0 || fail "MUTE left the sink at $(sink)"
import -window "$window" "$out/window-muted-scale$scale.png"

kill -0 "$app_pid" || fail "the program died"
echo "1 passed, 0 failed"
