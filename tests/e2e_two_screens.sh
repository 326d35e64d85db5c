#!/usr/bin/env bash
# The real program on two screens of one Xvfb (two RandR monitors of one
# framebuffer), against a private PulseAudio: a small 640x480 screen at the
# left and the primary 1920x1080 at its right. The window opens whole on the
# primary at its normal size, with or without a window manager; on a desktop
# that opens new windows where the pointer is, on the pointer's screen,
# fitted to it.
#   e2e_two_screens.sh BLARGO_BINARY OUTPUT_DIR none|openbox
set -euo pipefail
blargo=$1
out=$2/screens
wm=$3
mkdir -p "$out"
export XVFB_SIZE=2560x1080x24
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
need xrandr x11-xserver-utils
session_start
# The framebuffer's one output becomes the small left monitor; the primary
# (the star) is a monitor of no output.
xrandr --setmonitor small 640/169x480/127+0+0 screen >/dev/null
xrandr --setmonitor '*large' 1920/508x1080/286+640+0 none >/dev/null
xrandr --listmonitors | grep -q '\*large 1920/508x1080/286+640+0' ||
  fail "Xvfb did not take the two monitors: $(xrandr --listmonitors)"
[ "$wm" = none ] || start_openbox
unset QT_SCALE_FACTOR QT_STYLE_OVERRIDE XDG_CURRENT_DESKTOP

# The window's client area as the X server has it (with openbox, inside the
# frame); sets X, Y, WIDTH and HEIGHT.
geometry() { eval "$(xdotool getwindowgeometry --shell "$window")"; }
# Whether the window stands whole inside the box LEFT TOP WIDTH HEIGHT.
whole_in() {
  [ "$X" -ge "$1" ] && [ "$Y" -ge "$2" ] && [ $((X + WIDTH)) -le $(($1 + $3)) ] &&
    [ $((Y + HEIGHT)) -le $(($2 + $4)) ]
}
# Once the window manager has framed and placed it, the window stays put.
settled() {
  local last="$X $Y $WIDTH $HEIGHT"
  sleep 0.3
  geometry
  [ "$X $Y $WIDTH $HEIGHT" = "$last" ]
}
stop_program() {
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}

# 1. The pointer on the primary, no desktop named: the primary.
xdotool mousemove 1600 300
start_program "$blargo"
wait_for settled || fail "the window keeps moving"
echo "$wm, pointer on the primary: window ${WIDTH}x${HEIGHT} at $X,$Y"
import -window root "$out/two-screens-$wm.png"
whole_in 640 0 1920 1080 ||
  fail "the window ${WIDTH}x${HEIGHT} at $X,$Y is not whole on the primary 1920x1080+640+0"
[ "$WIDTH" = 689 ] && [ "$HEIGHT" = 445 ] ||
  fail "on the primary 1920x1080 the window is ${WIDTH}x${HEIGHT}, not 689x445"
# Centred on it, give or take a frame's title bar.
centre_x=$((X + WIDTH / 2)) centre_y=$((Y + HEIGHT / 2))
[ "$centre_x" -ge 1580 ] && [ "$centre_x" -le 1620 ] && [ "$centre_y" -ge 480 ] &&
  [ "$centre_y" -le 600 ] || fail "the window's middle $centre_x,$centre_y is not the primary's 1600,540"
click_on "SET 75%"
wait_for sink_is 49152 || fail "SET 75% on the primary left the sink at $(sink)"
stop_program

# 2. A desktop that opens new windows where the pointer is, the pointer on
# the small screen: there, fitted to it.
xdotool mousemove 100 300
XDG_CURRENT_DESKTOP=ubuntu:GNOME start_program "$blargo"
wait_for settled || fail "the window keeps moving"
echo "$wm, GNOME, pointer on the small screen: window ${WIDTH}x${HEIGHT} at $X,$Y"
import -window root "$out/two-screens-$wm-pointer.png"
whole_in 0 0 640 480 ||
  fail "the window ${WIDTH}x${HEIGHT} at $X,$Y is not whole on the pointer's 640x480 screen"
[ "$WIDTH" -lt 689 ] || fail "on the 640x480 screen the window was not fitted (${WIDTH}x${HEIGHT})"
awk -v w="$WIDTH" -v h="$HEIGHT" 'BEGIN { r = (w / h) / (689 / 445); exit !(r > 0.99 && r < 1.01) }' ||
  fail "the window ${WIDTH}x${HEIGHT} is out of the layout's proportions"
stop_program
echo "1 passed, 0 failed"
