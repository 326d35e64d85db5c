#!/usr/bin/env bash
# The real program in a real X window (Xvfb) against a private PulseAudio:
# found by its title, photographed, and clicked with xdotool.
#   e2e_window.sh BLARGO_BINARY OUTPUT_DIR
set -euo pipefail
blargo=$1
out=$2
mkdir -p "$out"
# shellcheck source=support/x11_session.sh
source "$(dirname "$0")/support/x11_session.sh"

pactl set-sink-volume @DEFAULT_SINK@ 100%

start_program "$blargo"
[ "$WIDTH" = 689 ] && [ "$HEIGHT" = 445 ] || fail "window is ${WIDTH}x${HEIGHT}, not 689x445"
# Centred on the 1024x768 screen.
[ $((X + WIDTH / 2)) -ge 500 ] && [ $((X + WIDTH / 2)) -le 524 ] || fail "window not centred (x=$X)"

sleep 0.3
import -window "$window" "$out/window.png"
# Mostly the black background, with the light text and controls on it.
black=$(convert "$out/window.png" -fill white +opaque black -fill black -opaque black -format '%[fx:1-mean]' info:)
awk -v b="$black" 'BEGIN { exit !(b > 0.80) }' || fail "background is not black (black share $black)"
# Starting writes nothing.
[ "$(sink)" = 65536 ] || fail "the program changed the volume at start"

# "SET 25%" is 248..313 x 200..225 in window pixels.
click 280 212; sleep 0.2
v=$(sink)
[ "$v" = 16500 ] || [ "$v" = 16501 ] || fail "SET 25% left the sink at $v"
# "SET100%" is 432..489.
click 460 212; sleep 0.2
[ "$(sink)" = 65536 ] || fail "SET100% left the sink at $(sink)"
# "MUTE" is 192..249.
click 220 212; sleep 0.2
[ "$(sink)" = 0 ] || fail "MUTE left the sink at $(sink)"
import -window "$window" "$out/window-muted.png"

kill -0 "$app_pid" || fail "the program died"
echo "1 passed, 0 failed"
