#!/usr/bin/env bash
# The real program as a native Wayland client of a real compositor (weston,
# headless, drawn in software so its screenshooter can read the pixels),
# against a private sound server: it shows its title and app id, is
# photographed, and is driven through AT-SPI (there is no xdotool here).
#   e2e_wayland.sh BLARGO_BINARY OUTPUT_DIR [SCALE]
# SCALE is the output's scale in weston; at 2 the window laid out does not
# fit the 1024x768 output, and must be drawn smaller, whole and in proportion.
set -euo pipefail
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
need weston weston
need weston-screenshooter weston
need_python pyatspi python3-pyatspi
private_bus "$@"
blargo=$(realpath "$1")
out=$(mkdir -p "$2" && cd "$2" && pwd)
scale=${3:-1}
name=wayland
[ "$scale" = 1 ] || name=wayland-scale$scale
session_start  # the sound server; X is not used
unset DISPLAY

# The compositor's runtime dir is its own, and so is the program's.
export XDG_RUNTIME_DIR="$work/wayland"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --use-pixman --width=$((1024 / scale)) --height=$((768 / scale)) --scale="$scale" --idle-time=0 \
  --socket=blargo-0 --debug >"$work/weston.log" 2>&1 &
stop_at_exit $!
wait_for test -S "$XDG_RUNTIME_DIR/blargo-0" || { cat "$work/weston.log" >&2; fail "weston did not start"; }
export WAYLAND_DISPLAY=blargo-0
start_a11y_bus

pactl set-sink-volume @DEFAULT_SINK@ 100%
# Weston offers no client a way to read another window's title or app id, so
# the protocol trace shows what the compositor was told. Only the request and
# its argument are matched: how the trace writes an object's id varies
# (libwayland 1.23 writes xdg_toplevel#15 for the older xdg_toplevel@15).
QT_QPA_PLATFORM=wayland QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 WAYLAND_DEBUG=1 "$blargo" \
  >"$work/app.log" 2>&1 &
app_pid=$!
request() { grep -qE "(^|[^a-z_])$1[^a-z_.][0-9]+\\.$2" "$work/app.log"; }
shown() { request xdg_toplevel 'set_title\("bLaRgO v1\.01"\)' && request wl_surface 'commit\(\)'; }
for _ in $(seq 200); do shown && break; kill -0 "$app_pid" || break; sleep 0.05; done
shown || fail "no Wayland window titled 'bLaRgO v1.01'"
request xdg_toplevel 'set_app_id\("org\.blargo\.Blargo"\)' ||
  fail "the window's app id is not org.blargo.Blargo"

# The window is drawn: black background inside weston's desktop. Wait for
# a frame in which the window stands apart from the desktop around it (a
# slow start may show an output still wholly black), then photograph it.
shoot() {
  rm -f "$work"/shots/*.png
  mkdir -p "$work/shots"
  (cd "$work/shots" && weston-screenshooter >/dev/null 2>&1) || return 1
  local shot
  shot=$(ls "$work"/shots/*.png 2>/dev/null | head -n 1)
  [ -n "$shot" ] || return 1
  cp "$shot" "$out/$name.png"
}
# The largest area of pure black is the window's background: "W H X Y".
black_box() {
  convert "$out/$name.png" -fill white +opaque black \
    -define connected-components:verbose=true -connected-components 4 null: |
    awk '$NF == "srgb(0,0,0)" || $NF == "gray(0)" { print $4, $2 }' | sort -n -r | head -n 1 |
    sed 's/^[0-9]* \([0-9]*\)x\([0-9]*\)+\([0-9]*\)+\([0-9]*\)$/\1 \2 \3 \4/'
}
box=""
for _ in $(seq 120); do
  if shoot && box=$(black_box) && [ -n "$box" ]; then
    read -r w h x y <<<"$box"
    [ "$w" -lt 1024 ] || [ "$h" -lt 768 ] && [ $((w * h)) -gt 20000 ] && break
  fi
  box=""
  sleep 0.25
done
[ -n "$box" ] || fail "no black window apart from the desktop in the screenshot"

# The window's black client area lies whole inside the output, in the
# layout's proportions (689 by 445), and PLAY is drawn where they put it.
echo "window ${w}x${h} at $x,$y on the 1024x768 output at scale $scale"
[ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1024 ] && [ $((y + h)) -le 768 ] &&
  [ "$w" -lt 1024 ] && [ "$h" -lt 768 ] || fail "the window ${w}x${h} at $x,$y is not whole on the output"
awk -v w="$w" -v h="$h" 'BEGIN { r = (w / h) / (689 / 445); exit !(r > 0.98 && r < 1.02) }' ||
  fail "the window ${w}x${h} is out of the layout's proportions"
control_point "PLAY BABY!!!"
play=$(convert "$out/$name.png" -crop "1x1+$((x + point_x * w / 689))+$((y + point_y * h / 445))" +repage \
  -depth 8 txt:- | sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p')
[ "$play" != 000000 ] || fail "PLAY is not drawn where the layout puts it"

# A preset lands on the sink; party mode starts and stops.
/usr/bin/python3 "$(dirname "$0")/support/atspi_window.py" basic || fail "the AT-SPI checks failed"
kill -0 "$app_pid" || fail "the program died"
echo "1 passed, 0 failed"
