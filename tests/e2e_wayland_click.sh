#!/usr/bin/env bash
# The real program as a native Wayland client of weston, clicked by a real
# pointer where it is drawn. Weston's own headless backend takes no input, so
# weston runs here as a window on Xvfb (its X11 backend, drawn in software):
# it passes the clicks xdotool makes on its window to the program as Wayland
# pointer events, as it would a mouse's.
#   e2e_wayland_click.sh BLARGO_BINARY OUTPUT_DIR [SCALE [PANEL]]
# SCALE is the output's scale in weston; the output is 1024x768 of the
# screen's own pixels at any scale. PANEL is top (weston's desktop panel, as
# by default) or none. Weston 10 cannot tell its clients how much room its
# panel leaves (its xdg_wm_base is version 3, without configure bounds): the
# window must still lie whole on the output below it.
set -euo pipefail
blargo=$(realpath "$1")
out=$(mkdir -p "$2" && cd "$2" && pwd)
scale=${3:-1}
panel=${4:-top}
name=wayland-click-scale$scale-panel-$panel
export XVFB_SIZE=1280x1024x24
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
# shellcheck source=support/shot.sh
source "$(dirname "$0")/support/shot.sh"
need weston weston
need xwininfo x11-utils
session_start

export XDG_RUNTIME_DIR="$work/wayland"
mkdir -m 700 "$XDG_RUNTIME_DIR"
printf '[shell]\npanel-position=%s\n' "$panel" >"$work/weston.ini"
weston --backend=x11-backend.so --use-pixman --width=$((1024 / scale)) --height=$((768 / scale)) \
  --scale="$scale" --idle-time=0 --socket=blargo-0 --config="$work/weston.ini" >"$work/weston.log" 2>&1 &
stop_at_exit $!
weston_window() { xwininfo -root -tree | awk '/"Weston Compositor/ { print $1; exit }'; }
compositor=""
started() { compositor=$(weston_window) && [ -n "$compositor" ] && [ -S "$XDG_RUNTIME_DIR/blargo-0" ]; }
WAIT_SECONDS=30 wait_for started || { cat "$work/weston.log" >&2; fail "weston did not start"; }
eval "$(xdotool getwindowgeometry --shell "$compositor" | sed 's/^/WESTON_/')"
if [ "$WESTON_WIDTH" != 1024 ] || [ "$WESTON_HEIGHT" != 768 ]; then
  fail "weston's output is ${WESTON_WIDTH}x${WESTON_HEIGHT}, not 1024x768"
fi

# The program sees only the compositor.
env -u DISPLAY WAYLAND_DISPLAY=blargo-0 QT_QPA_PLATFORM=wayland "$blargo" >"$work/app.log" 2>&1 &
app_pid=$!

shot="$out/$name.png"
shoot() { import -window "$compositor" "$shot" 2>/dev/null; }
WAIT_SECONDS=30 wait_for window_drawn || fail "no black window apart from the desktop (see $shot)"

# The black client area is as wide as drawn; its height, in the layout's
# proportions (689 by 445), must then lie whole on the output too.
full_h=$((w * 445 / 689))
echo "window ${w}x${full_h} at $x,$y on the 1024x768 output at scale $scale (${h} rows seen)"
[ $((y + full_h)) -le $((768 + 1)) ] ||
  fail "the window's last $((y + full_h - 768)) rows lie below the output"
# A control's middle (or a point of the layout, in its pixels at scale 1),
# on the output.
at() { echo $((x + $1 * w / 689)) $((y + $2 * w / 689)); }
control_point "PLAY BABY!!!"
read -r play_x play_y < <(at "$point_x" "$point_y")
control_point "STOP DEVIL!!!"
read -r stop_x stop_y < <(at "$point_x" "$point_y")
read -r back_x back_y < <(at 100 100)  # bare background
[ "$(shot_pixel "$play_x" "$play_y")" != 000000 ] || fail "PLAY is not drawn at $play_x,$play_y"

# Weston follows the X pointer once it has entered its window, so each click
# comes from outside it (the X screen is larger than weston's window).
click_at() {
  xdotool mousemove --sync 1200 1000
  xdotool mousemove --sync $((WESTON_X + $1)) $((WESTON_Y + $2)) click 1
}
background() { shoot && shot_pixel "$back_x" "$back_y"; }
# A click weston hands over before a slow program (seen with a sanitized
# build on weston 14) has settled in may be lost, as a user's first click
# can be: the click is made again, up to three times, and each extra one
# is reported. A click too many meets bare background.
click_until() {  # click_until X Y CONDITION
  local try
  for try in 1 2 3; do
    click_at "$1" "$2"
    if WAIT_SECONDS=5 wait_for "$3"; then
      [ "$try" = 1 ] || echo "clicks at $1,$2 until $3: $try"
      return 0
    fi
  done
  return 1
}
partying() { [ "$(background)" != 000000 ]; }
click_until "$play_x" "$play_y" partying || fail "three clicks on PLAY where it is drawn did not start party mode"
stop_drawn() {
  local p
  partying || return 1
  p=$(shot_pixel "$stop_x" "$stop_y")
  [ -n "$p" ] && [ "$p" != "$(shot_pixel "$back_x" "$back_y")" ]
}
wait_for stop_drawn || fail "STOP is not drawn at $stop_x,$stop_y"
cp "$shot" "$out/$name-party.png"
stopped() { [ "$(background)" = 000000 ]; }
click_until "$stop_x" "$stop_y" stopped || fail "three clicks on STOP where it is drawn did not end party mode"

kill -0 "$app_pid" || fail "the program died"
echo "1 passed, 0 failed"
