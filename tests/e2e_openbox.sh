#!/usr/bin/env bash
# The real program under a real X window manager (openbox) on Xvfb, against a
# private PulseAudio: placed in the middle of the screen with its frame,
# worked with the keyboard alone, and driven through AT-SPI as a screen reader
# drives it (private session bus and accessibility bus).
#   e2e_openbox.sh BLARGO_BINARY OUTPUT_DIR
set -euo pipefail
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
need_python pyatspi python3-pyatspi
need xwininfo x11-utils
private_bus "$@"
blargo=$1
out=$2
mkdir -p "$out"
session_start
start_openbox
start_a11y_bus

pactl set-sink-volume @DEFAULT_SINK@ 100%
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_program "$blargo"

# 1. Centred with its frame, once openbox has framed it.
frame_box() {
  local extents left right top bottom
  extents=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')
  [ -n "$extents" ] || return 1
  IFS=, read -r left right top bottom <<<"$extents"
  local info x y w h
  info=$(xwininfo -id "$window")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/.*Width: *//p' <<<"$info")
  h=$(sed -n 's/.*Height: *//p' <<<"$info")
  echo $((x - left)) $((y - top)) $((w + left + right)) $((h + top + bottom))
}
centred() {
  local fx fy fw fh
  read -r fx fy fw fh < <(frame_box) || return 1
  # Twice the centre against the screen's 1024x768, to stay in integers.
  local dx=$((2 * fx + fw - 1024)) dy=$((2 * fy + fh - 768))
  [ "${dx#-}" -le 4 ] && [ "${dy#-}" -le 4 ]
}
for _ in $(seq 100); do centred && break; sleep 0.1; done
centred || fail "the frame $(frame_box || echo unknown) is not centred on the 1024x768 screen"
read -r fx fy fw fh < <(frame_box)
[ "$fh" -gt 445 ] || fail "openbox put no frame around the window ($fw x $fh)"
import -window root "$out/openbox.png"

# 2. The keyboard alone: Tab order from the slider, Return, keypad Enter and Space.
xdotool windowactivate --sync "$window" 2>/dev/null || true
wait_sink() { wait_for sink_is "$1"; }  # wait_sink RAW: the default sink reaches RAW
# Slider, SET 50%, SET100%, MUTE, SET 25%, SET 75%, PLAY BABY!!!
xdotool key --delay 50 Tab Tab Tab Tab Tab Return
wait_sink 49152 || fail "Return on SET 75% left the sink at $(sink)"
xdotool key --delay 50 shift+Tab shift+Tab KP_Enter
wait_sink 0 || fail "keypad Enter on MUTE left the sink at $(sink)"
xdotool key --delay 50 Tab Tab Tab space
for _ in $(seq 100); do [ "$(sink)" != 0 ] && break; sleep 0.1; done
[ "$(sink)" != 0 ] || fail "Space on PLAY BABY!!! started no party"
sleep 0.3
import -window root "$out/openbox-party.png"
# The focus went to STOP DEVIL!!!, so Space again stops the party.
xdotool key space
stopped=""
for _ in $(seq 100); do
  a=$(sink); sleep 0.2; b=$(sink)
  [ "$a" = "$b" ] && [ "$(pixel 20 20)" = 000000 ] && { stopped=$b; break; }
done
[ -n "$stopped" ] || fail "Space on STOP DEVIL!!! did not end party mode"
# And back on PLAY BABY!!!, Space starts it again: the background leaves
# black (the ramp's level alone would not do, as it comes round to the level
# it stopped at). A key press lost by a busy X server is pressed again; one
# that reaches any other control starts nothing.
restarted=""
for _ in 1 2 3; do
  xdotool key space
  for _ in $(seq 100); do
    colour=$(pixel 20 20)
    [ -n "$colour" ] && [ "$colour" != 000000 ] && { restarted=1; break; }
    sleep 0.1
  done
  [ -n "$restarted" ] && break
done
[ -n "$restarted" ] || fail "the focus did not come back to PLAY BABY!!!"
moved=""
for _ in $(seq 100); do
  level=$(sink)
  [ -n "$level" ] && [ "$level" != "$stopped" ] && { moved=1; break; }
  sleep 0.1
done
[ -n "$moved" ] || fail "party mode started again without moving the volume"
xdotool key Escape

# 3. Through AT-SPI, as a screen reader.
/usr/bin/python3 "$(dirname "$0")/support/atspi_window.py" full || fail "the AT-SPI checks failed"

kill -0 "$app_pid" || fail "the program died"
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true

# 4. At scale 3 the window laid out is three times too large for the screen:
# it is drawn smaller, in proportion, so that it and its frame fit the
# screen, and centred there.
QT_SCALE_FACTOR=3 start_program "$blargo"
inside() {
  read -r fx fy fw fh < <(frame_box) || return 1
  [ "$fx" -ge 0 ] && [ "$fy" -ge 0 ] && [ $((fx + fw)) -le 1024 ] && [ $((fy + fh)) -le 768 ]
}
for _ in $(seq 100); do inside && centred && break; sleep 0.1; done
read -r fx fy fw fh < <(frame_box) || fail "no frame around the scaled window"
inside || fail "at scale 3 the frame runs off the 1024x768 screen: ${fw}x${fh} at $fx,$fy"
centred || fail "at scale 3 the frame ${fw}x${fh} at $fx,$fy is not centred"
echo "1 passed, 0 failed"
