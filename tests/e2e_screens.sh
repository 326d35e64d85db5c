#!/usr/bin/env bash
# The real program on one screen of a matrix (Xvfb), against a private
# PulseAudio: the whole window inside the screen, PLAY and STOP drawn where
# the layout's proportions put them, and working when clicked there.
#   e2e_screens.sh BLARGO_BINARY OUTPUT_DIR WIDTHxHEIGHT SETTING [CHANGE]
# SETTING is scale=N (QT_SCALE_FACTOR), dpi=N (Xft.dpi, set with xrdb) or
# font=N (the desktop font in points, set through qt6ct). CHANGE, made once
# the window is shown, is size=WIDTHxHEIGHT (the screen resized with xrandr)
# or dpi=N (Xft.dpi set anew): the window must then fit the screen as it is.
set -euo pipefail
blargo=$1
out=$2/screens
size=$3
setting=$4
change=${5:-}
mkdir -p "$out"
export XVFB_SIZE=${size}x24
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
need xrdb x11-xserver-utils
need qtpaths6 qt6-base-dev-tools
need xrandr x11-xserver-utils
session_start
screen_w=${size%x*}
screen_h=${size#*x}

case "$setting" in
  scale=*) export QT_SCALE_FACTOR=${setting#scale=} ;;
  dpi=*) echo "Xft.dpi: ${setting#dpi=}" | xrdb -merge ;;
  font=*)
    [ -e "$(qtpaths6 --plugin-dir)/platformthemes/libqt6ct.so" ] ||
      fail "the desktop font is set through qt6ct: install the Debian package qt6ct"
    export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORMTHEME=qt6ct
    mkdir -p "$XDG_CONFIG_HOME/qt6ct"
    printf '[Appearance]\nstyle=Fusion\n[Fonts]\ngeneral="DejaVu Sans,%s,-1,5,50,0,0,0,0,0"\nfixed="DejaVu Sans Mono,%s,-1,5,50,0,0,0,0,0"\n' \
      "${setting#font=}" "${setting#font=}" >"$XDG_CONFIG_HOME/qt6ct/qt6ct.conf"
    ;;
  *) fail "unknown setting $setting" ;;
esac
unset QT_STYLE_OVERRIDE

start_program "$blargo"
# The window in the screen's own pixels.
echo "$size $setting: window ${WIDTH}x${HEIGHT} at $X,$Y"
inside() {
  [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le "$screen_w" ] &&
    [ $((Y + HEIGHT)) -le "$screen_h" ]
}
inside || fail "the window ${WIDTH}x${HEIGHT} at $X,$Y runs off the ${size} screen"

if [ -n "$change" ]; then
  shown="$X $Y $WIDTH $HEIGHT"
  case "$change" in
    size=*)
      size=${change#size=}
      screen_w=${size%x*}
      screen_h=${size#*x}
      # Xvfb shows any mode it is given; the timings are never used.
      xrandr --newmode "$size" 60 "$screen_w" $((screen_w + 1)) $((screen_w + 2)) \
        $((screen_w + 3)) "$screen_h" $((screen_h + 1)) $((screen_h + 2)) $((screen_h + 3))
      xrandr --addmode screen "$size"
      xrandr --output screen --mode "$size" --fb "$size"
      ;;
    dpi=*) echo "Xft.dpi: ${change#dpi=}" | xrdb -merge ;;
    *) fail "unknown change $change" ;;
  esac
  # The window resized and moved, until it stands whole on the screen again.
  refitted() {
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "$X $Y $WIDTH $HEIGHT" != "$shown" ] && inside
  }
  wait_for refitted ||
    fail "after $change the window ${WIDTH}x${HEIGHT} at $X,$Y was not fitted to the ${screen_w}x${screen_h} screen"
  # Settled: the same geometry twice, a moment apart.
  settled() {
    local last="$X $Y $WIDTH $HEIGHT"
    sleep 0.2
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "$X $Y $WIDTH $HEIGHT" = "$last" ]
  }
  wait_for settled || fail "after $change the window keeps changing"
  inside || fail "after $change the window ${WIDTH}x${HEIGHT} at $X,$Y runs off the screen"
  echo "after $change: window ${WIDTH}x${HEIGHT} at $X,$Y"
  setting="$setting-then-$change"
fi
# In the layout's proportions, 689 by 445.
awk -v w="$WIDTH" -v h="$HEIGHT" 'BEGIN { r = (w / h) / (689 / 445); exit !(r > 0.99 && r < 1.01) }' ||
  fail "the window ${WIDTH}x${HEIGHT} is out of the layout's proportions"

# A larger desktop font makes the whole window larger: 16 points are 21
# pixels at 96 dpi where the layout's font has 12.
if [[ $setting == font=* ]] && [ -z "$change" ]; then
  pixels=$(((${setting#font=} * 96 + 36) / 72))
  want=$((689 * pixels / 12))
  [ "${WIDTH}" -ge $((want - 2)) ] && [ "${WIDTH}" -le $((want + 2)) ] ||
    fail "with a ${setting#font=} point font the window is ${WIDTH} wide, not $want"
fi

# A control's middle (or a point of the layout, in its pixels at scale 1),
# in window pixels now.
at() { echo $(($1 * WIDTH / 689)) $(($2 * HEIGHT / 445)); }
control_point "PLAY BABY!!!"
read -r play_x play_y < <(at "$point_x" "$point_y")
control_point "STOP DEVIL!!!"
read -r stop_x stop_y < <(at "$point_x" "$point_y")
read -r back_x back_y < <(at 100 100)  # bare background

shot="$out/${3}-${setting}.png"
# Judged on the shot itself, so the picture kept is one that was drawn.
shot_pixel() {
  convert "$shot" -crop "1x1+$1+$2" +repage -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tr 'A-F' 'a-f'
}
drawn() {
  import -window "$window" "$shot" 2>/dev/null || return 1
  [ "$(shot_pixel "$back_x" "$back_y")" = 000000 ] &&
    [ "$(shot_pixel "$play_x" "$play_y")" != 000000 ]
}
wait_for drawn || fail "PLAY is not drawn at $play_x,$play_y of the window (see $shot)"
click_at() { xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1; }

click_at "$play_x" "$play_y"
partying() { [ "$(pixel "$back_x" "$back_y")" != 000000 ]; }
wait_for partying || fail "a click on PLAY where it is drawn did not start party mode"
stop_drawn() {
  local p
  p=$(pixel "$stop_x" "$stop_y")
  [ -n "$p" ] && [ "$p" != "$(pixel "$back_x" "$back_y")" ]
}
wait_for stop_drawn || fail "STOP is not drawn at $stop_x,$stop_y of the window"
import -window "$window" "$out/${3}-${setting}-party.png"
click_at "$stop_x" "$stop_y"
stopped() { [ "$(pixel "$back_x" "$back_y")" = 000000 ]; }
wait_for stopped || fail "a click on STOP where it is drawn did not end party mode"

kill -0 "$app_pid" || fail "the program died"
echo "1 passed, 0 failed"
