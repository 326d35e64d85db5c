#!/usr/bin/env bash
# The real program under Xvfb, started as a launcher, a service manager or a
# user's environment may start it: with its standard streams closed, and with
# scale factors Qt cannot draw at. Each start opens the window, no larger
# than the screen, whose clicks reach the sound server; a scale it cannot
# draw at is named in one line on stderr and left out.
#   e2e_start.sh BLARGO
set -euo pipefail
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
blargo=$1
desktop_locale
# Room for the window at scale 2.
export XVFB_SIZE=1600x1200x24
session_start
start_openbox

# After start_program or a start of its own: the window's presets reach the
# sink, and it ends when asked.
clicks_land() {
  click_on "SET 25%"
  wait_for sink_is 16384 || fail "$1: SET 25% left the sink at $(sink)"
  click_on "SET 75%"
  wait_for sink_is 49152 || fail "$1: SET 75% left the sink at $(sink)"
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}

# Closed streams: 0, 1 and 2 are /dev/null, not the display's connection.
streams_are_null() {
  local fd
  for fd in 0 1 2; do
    [ "$(readlink "/proc/$app_pid/fd/$fd")" = /dev/null ] ||
      fail "$1: descriptor $fd is $(readlink "/proc/$app_pid/fd/$fd"), not /dev/null"
  done
}
"$blargo" <&- >&- 2>&- &
app_pid=$!
find_window "$app_pid"
streams_are_null "<&- >&- 2>&-"
clicks_land "<&- >&- 2>&-"
# Without XDG_RUNTIME_DIR Qt says so on stderr at start: it went into the
# display's connection, and no window came.
env -u XDG_RUNTIME_DIR "$blargo" >&- 2>&- </dev/null &
app_pid=$!
find_window "$app_pid"
streams_are_null "no XDG_RUNTIME_DIR, >&- 2>&-"
clicks_land "no XDG_RUNTIME_DIR, >&- 2>&-"
echo "closed streams: window, /dev/null, clicks land"

# `start_scaled NAME=VALUE... -- EXPECTED_STDERR`: the window opens within
# the screen, the program says EXPECTED_STDERR (one line, or nothing), and
# its clicks land. Clicks are aimed at scale 1 unless the value is drawn.
read -r screen_w screen_h < <(xdotool getdisplaygeometry)
start_scaled() {
  local settings=() expected
  while [ "$1" != -- ]; do settings+=("$1"); shift; done
  expected=$2
  env "${settings[@]}" "$blargo" >"$work/app.log" 2>&1 </dev/null &
  app_pid=$!
  find_window "$app_pid"
  [ "$WIDTH" -le "$screen_w" ] && [ "$HEIGHT" -le "$screen_h" ] ||
    fail "${settings[*]}: a ${WIDTH}x$HEIGHT window on a ${screen_w}x$screen_h screen"
  [ "$(cat "$work/app.log")" = "$expected" ] ||
    fail "${settings[*]}: stderr is not \"$expected\""
  echo "${settings[*]}: ${WIDTH}x$HEIGHT, stderr: $(cat "$work/app.log")"
}
range="(from 0.25 to 8)"
for value in -1 0 1000 nan inf abc; do
  start_scaled "QT_SCALE_FACTOR=$value" -- \
    "blargo: QT_SCALE_FACTOR=$value is not a scale the window can be drawn at $range, and is left out"
  clicks_land "QT_SCALE_FACTOR=$value"
done
for value in "-1" "0;1" "DP-1=1;HDMI-1=1e9" "x=y"; do
  start_scaled "QT_SCREEN_SCALE_FACTORS=$value" -- \
    "blargo: QT_SCREEN_SCALE_FACTORS=$value is not a scale the window can be drawn at $range, and is left out"
  clicks_land "QT_SCREEN_SCALE_FACTORS=$value"
done
start_scaled QT_SCALE_FACTOR=6 QT_SCREEN_SCALE_FACTORS=2 -- \
  "blargo: QT_SCALE_FACTOR=6 with QT_SCREEN_SCALE_FACTORS=2 make a scale the window cannot be drawn at $range, and both are left out"
clicks_land "QT_SCALE_FACTOR=6 QT_SCREEN_SCALE_FACTORS=2"
# Scales it can draw at are taken as they are, without a word.
start_scaled QT_SCALE_FACTOR=0.5 -- ""
kill "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=""
start_scaled QT_SCALE_FACTOR=2 -- ""
QT_SCALE_FACTOR=2 clicks_land "QT_SCALE_FACTOR=2"
echo "1 passed, 0 failed"
