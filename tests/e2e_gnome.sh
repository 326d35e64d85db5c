#!/usr/bin/env bash
# The real program in GNOME's Wayland session: mutter runs nested as a window
# on Xvfb (drawn in software), with Xwayland, a private session bus and a
# private sound server; the program is started with the environment a GNOME
# session gives its programs. Clicks and keys sent with xdotool to mutter's
# window on Xvfb reach the windows inside, as a user's would.
#   e2e_gnome.sh MODE BLARGO_BINARY OUTPUT_DIR QT_VERSION
# MODE default: the program chooses its platform. Its window must be an
#   Xwayland window with mutter's own title bar (frame extents, photographed),
#   and stay at its size and place, centred, after every way GNOME offers to
#   maximise, full-screen or resize it: a double-click on the title bar,
#   Super+Up, Alt+F10, Alt+F8 with the arrow keys, a drag of its corner, and
#   maximise and full-screen requests to the window manager. Presets reach
#   the sink; STOP ends party mode.
# MODE env or option: the user chose Wayland with QT_QPA_PLATFORM or with
#   -platform. The window is then a Wayland window (none on Xwayland), under
#   Qt's own title bar, and gives back a maximised state granted by that title
#   bar's button (Qt before 6.8, whose title bar has one), a double-click on it
#   or Super+Up.
set -euo pipefail
mode=$1
blargo=$(realpath "$2")
out=$(mkdir -p "$3" && cd "$3" && pwd)
qt_version=$4
case "$mode" in default | env | option) ;; *) echo "unknown mode $mode" >&2; exit 2 ;; esac
# Room beside mutter's 1024x768 window for the pointer to come from.
export XVFB_SIZE=1280x1024x24
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
# shellcheck source=support/shot.sh
source "$(dirname "$0")/support/shot.sh"
need mutter mutter
need Xwayland xwayland
need xwininfo x11-utils
need xprop x11-utils
need wmctrl wmctrl
# GNOME 49's mutter runs nested only through its development kit's viewer,
# which is not driven here.
if ! mutter --help 2>&1 | grep -q -- '--nested'; then
  echo "SKIP: $(mutter --version 2>/dev/null | head -n 1) has no --nested mode to run in a window on Xvfb"
  exit 77
fi
private_bus "$@"
session_start
xvfb=$DISPLAY
name=gnome-$mode

# mutter with Xwayland, on an output the size of its window. Its settings are
# GNOME's defaults, held in memory. The command it starts hands over the
# environment mutter gives the session's programs (Xwayland's display and its
# key), then waits.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export GSETTINGS_BACKEND=memory MUTTER_DEBUG_DUMMY_MODE_SPECS=1024x768
# shellcheck disable=SC2016  # expanded by the command mutter starts
mutter --nested --wayland --wayland-display=blargo-0 -- \
  bash -c 'echo $$ >"$0.pid"; env >"$0.tmp" && mv "$0.tmp" "$0"; exec sleep 100000' \
  "$work/session-env" >"$work/mutter.log" 2>&1 &
stop_at_exit $!
WAIT_SECONDS=30 wait_for test -s "$work/session-env" ||
  { cat "$work/mutter.log" >&2; fail "mutter started no session"; }
stop_at_exit "$(cat "$work/session-env.pid")"
session_variable() { sed -n "s/^$1=//p" "$work/session-env"; }
xwayland=$(session_variable DISPLAY)
[ -n "$xwayland" ] || fail "mutter gave its session no X display (Xwayland)"
# mutter's window on Xvfb: the output, whose pixels are the X screen's from
# its corner.
compositor=$(xwininfo -root -tree | awk '/"mutter"/ { print $1; exit }')
[ -n "$compositor" ] || fail "no window of mutter's on Xvfb"
eval "$(xdotool getwindowgeometry --shell "$compositor" | sed 's/^/OUTPUT_/')"
[ "$OUTPUT_WIDTH" = 1024 ] && [ "$OUTPUT_HEIGHT" = 768 ] ||
  fail "mutter's output is ${OUTPUT_WIDTH}x${OUTPUT_HEIGHT}, not 1024x768"

# As a GNOME session starts a program: its desktop's name, a Wayland session,
# both displays.
gnome_session=(env XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=blargo-0
  DISPLAY="$xwayland" XAUTHORITY="$(session_variable XAUTHORITY)")
case "$mode" in
  default) "${gnome_session[@]}" "$blargo" >"$work/app.log" 2>&1 & ;;
  env) "${gnome_session[@]}" QT_QPA_PLATFORM=wayland "$blargo" >"$work/app.log" 2>&1 & ;;
  option) "${gnome_session[@]}" "$blargo" -platform wayland >"$work/app.log" 2>&1 & ;;
esac
app_pid=$!

shot="$out/$name.png"
shoot() { DISPLAY=$xvfb import -window "$compositor" "$shot" 2>/dev/null; }
# Pointer and keys on mutter's window, at a point of its output. Mutter
# follows the X pointer once it has entered its window, so each click comes
# from outside it.
click_at() {  # click_at X Y [REPEAT]
  DISPLAY=$xvfb xdotool mousemove --sync 1200 1000
  DISPLAY=$xvfb xdotool mousemove --sync $((OUTPUT_X + $1)) $((OUTPUT_Y + $2)) \
    click --repeat "${3:-1}" --delay 120 1
}
keys() { DISPLAY=$xvfb xdotool key --delay 100 "$@"; }
drag() {  # drag X Y DX DY
  DISPLAY=$xvfb xdotool mousemove --sync $((OUTPUT_X + $1)) $((OUTPUT_Y + $2)) mousedown 1 \
    mousemove --sync $((OUTPUT_X + $1 + $3 / 2)) $((OUTPUT_Y + $2 + $4 / 2)) \
    mousemove --sync $((OUTPUT_X + $1 + $3)) $((OUTPUT_Y + $2 + $4)) mouseup 1
}

if [ "$mode" = default ]; then
  # 1. Through Xwayland, with mutter's frame.
  XAUTHORITY=$(session_variable XAUTHORITY)
  export DISPLAY=$xwayland XAUTHORITY
  find_window "$app_pid"
  extents() { xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' '; }
  framed() { [ -n "$(extents)" ]; }
  wait_for framed || fail "mutter put no frame around the Xwayland window"
  IFS=, read -r frame_left frame_right frame_top frame_bottom <<<"$(extents)"
  echo "frame extents: left $frame_left right $frame_right top $frame_top bottom $frame_bottom"
  [ "$frame_top" -ge 20 ] || fail "mutter's title bar is $frame_top pixels high"
  # Where the window stands: "X Y W H" of its client area, on the output.
  place() {
    local info
    info=$(xwininfo -id "$window") || return 1
    echo "$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")" \
      "$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")" \
      "$(sed -n 's/.*Width: *//p' <<<"$info")" "$(sed -n 's/.*Height: *//p' <<<"$info")"
  }
  # Centred on the output with its frame (twice the centre, in integers).
  centred() {
    local x y w h
    read -r x y w h < <(place) || return 1
    local dx=$((2 * (x - frame_left) + w + frame_left + frame_right - 1024))
    local dy=$((2 * (y - frame_top) + h + frame_top + frame_bottom - 768))
    [ "${dx#-}" -le 4 ] && [ "${dy#-}" -le 4 ]
  }
  wait_for centred || fail "the window $(place) with its frame is not centred on the 1024x768 output"
  first=$(place)
  read -r x y w h <<<"$first"
  echo "window ${w}x${h} at $x,$y, title bar $frame_top high"
  [ "$w" = 689 ] && [ "$h" = 445 ] || fail "the window is ${w}x${h}, not 689x445"
  # The title bar is mutter's, drawn in GNOME's light grey above the client
  # area, once mutter has painted it.
  title_x=$((x + w / 2)) title_y=$((y - frame_top / 2))
  light_grey() {
    local r=$((16#${1:0:2})) g=$((16#${1:2:2})) b=$((16#${1:4:2}))
    [ "$r" -ge 160 ] && [ $((r - g)) -le 12 ] && [ $((g - r)) -le 12 ] &&
      [ $((r - b)) -le 12 ] && [ $((b - r)) -le 12 ]
  }
  title_drawn() {
    shoot || return 1
    title=$(shot_pixel "$title_x" "$title_y")
    [ -n "$title" ] && light_grey "$title"
  }
  wait_for title_drawn || fail "no grey title bar at $title_x,$title_y but ${title:-nothing} (see $shot)"
  echo "title bar colour $title"

  # 2. Every way to maximise, full-screen or resize it. After each, a click
  # on a preset that must reach the sink shows mutter has handled what came
  # before it; the window is then where and as large as it was, in no
  # maximised or full-screen state.
  states() { xprop -id "$window" _NET_WM_STATE; }
  as_it_was() {
    [ "$(place)" = "$first" ] && ! states | grep -qE 'MAXIMIZED|FULLSCREEN'
  }
  presets=("SET 25%" "SET 50%" "SET 75%" "SET100%" "MUTE")
  levels=(16384 32768 49152 65536 0)
  marker=0
  click_preset() {
    local preset=${presets[$((marker % 5))]} level=${levels[$((marker % 5))]}
    marker=$((marker + 1))
    control_point "$preset"
    local px=$((x + point_x)) py=$((y + point_y))
    # The preset before may have left the sink at this preset's level.
    [ "$(sink)" != "$level" ] || pactl set-sink-volume @DEFAULT_SINK@ 1000
    click_at "$px" "$py"
    wait_for sink_is "$level" || fail "a click on $preset left the sink at $(sink), not $level"
  }
  pactl set-sink-volume @DEFAULT_SINK@ 100%
  # The first click also gives the window the focus, for the keys.
  click_preset
  after() {
    wait_for as_it_was ||
      fail "after $1 the window is $(place), $(states), not $first (see $out/$name-$2.png)"
    echo "after $1: $(place)"
  }
  check() {  # check WHAT SHOT: once a preset has been clicked after WHAT
    click_preset
    shoot && cp "$shot" "$out/$name-$2.png"
    after "$1" "$2"
  }
  click_at "$title_x" "$title_y" 2
  check "a double-click on the title bar" double-click
  keys super+Up
  check "Super+Up" super-up
  keys alt+F10
  check "Alt+F10" alt-f10
  keys alt+F8 Right Right Right Down Down Down Return
  check "Alt+F8 and the arrow keys" alt-f8
  drag $((x + w - 1)) $((y + h - 1)) 150 120
  check "a drag of the bottom right corner" corner
  # Requests to the window manager, as a pager or wmctrl makes them: each
  # is followed by one mutter grants at once (keep above), whose state then
  # shows the request before it was handled.
  request() {  # request WHAT SHOT STATE...
    local what=$1 name_of_shot=$2 state
    shift 2
    for state in "$@"; do wmctrl -i -r "$window" -b "add,$state"; done
    wmctrl -i -r "$window" -b toggle,above
    above() { states | grep -q _NET_WM_STATE_ABOVE; }
    wait_for above || fail "mutter did not keep the window above"
    wmctrl -i -r "$window" -b remove,above
    shoot && cp "$shot" "$out/$name-$name_of_shot.png"
    after "$what" "$name_of_shot"
    wait_for eval '! above' || fail "mutter kept the window above"
  }
  request "a maximise request" maximise-request maximized_vert,maximized_horz
  request "a full-screen request" full-screen-request fullscreen
  wmctrl -i -r "$window" -e 0,-1,-1,1000,700
  check "a request for 1000x700" resize-request
  centred || fail "the window $(place) is no longer centred"

  # 3. Party mode from a click on PLAY, and a click on STOP ends it.
  background() { shoot && shot_pixel $((x + 100)) $((y + 100)); }
  partying() { [ "$(background)" != 000000 ]; }
  control_point "PLAY BABY!!!"
  click_at $((x + point_x)) $((y + point_y))
  wait_for partying || fail "a click on PLAY BABY!!! started no party"
  cp "$shot" "$out/$name-party.png"
  control_point "STOP DEVIL!!!"
  click_at $((x + point_x)) $((y + point_y))
  steady() {
    local a b
    a=$(sink)
    [ "$(background)" = 000000 ] || return 1
    b=$(sink)
    [ "$a" = "$b" ]
  }
  wait_for steady || fail "a click on STOP DEVIL!!! did not end party mode"
  kill -0 "$app_pid" || fail "the program died"
  echo "1 passed, 0 failed"
  exit 0
fi

# The user's Wayland: a window drawn on the output, none on Xwayland.
# mutter opens a window with a short animation, whose frames show it smaller
# and not yet black to its edge (GNOME 48: 687x443, then 689x445): the window
# counts as drawn once three shots in a row find it the same.
settled="" same_shots=0
window_settled() {
  window_drawn || return 1
  if [ "$w $h $x $y" = "$settled" ]; then
    same_shots=$((same_shots + 1))
  else
    settled="$w $h $x $y" same_shots=1
  fi
  [ "$same_shots" -ge 3 ]
}
WAIT_SECONDS=30 wait_for window_settled || fail "no black window apart from the desktop (see $shot)"
first="$w $h $x $y"
echo "Wayland window ${w}x${h} at $x,$y"
if DISPLAY=$xwayland XAUTHORITY=$(session_variable XAUTHORITY) \
  xdotool search --name '^bLaRgO v1\.01$' >/dev/null 2>&1; then
  fail "the program opened an X window, though its user chose Wayland"
fi
cp "$shot" "$out/$name-start.png"
# Qt's title bar, above the black client area.
bar_y=$((y - 15))
[ "$(shot_pixel $((x + w / 2)) "$bar_y")" != 000000 ] || fail "no title bar above the window"
# After each try, a click on a preset where the window now stands, reaching
# the sink, shows mutter has handled the try before it.
as_it_was() { window_drawn && [ "$w $h $x $y" = "$first" ]; }
after() {  # after WHAT LEVEL PRESET
  local level=$2
  [ "$(sink)" != "$level" ] || pactl set-sink-volume @DEFAULT_SINK@ 1000
  control_point "$3"
  # Clicked where the window stands once it stands still: a shot taken while
  # mutter maximises it and gives it back would send the click astray.
  settled="" same_shots=0
  wait_for window_settled || fail "the window is gone after $1 (see $shot)"
  click_at $((x + point_x)) $((y + point_y))
  wait_for sink_is "$level" || fail "a click on $3 after $1 left the sink at $(sink), not $level"
  wait_for as_it_was || fail "after $1 the window is ${w}x${h} at $x,$y, not $first (see $shot)"
  echo "after $1: ${w}x${h} at $x,$y"
}
pactl set-sink-volume @DEFAULT_SINK@ 100%
read -r fw _ fx _ <<<"$first"
if [ "$(printf '%s\n' "$qt_version" 6.8 | sort -V | head -n 1)" != 6.8 ]; then
  # Qt's own title bar before 6.8 has a maximise button beside the close
  # button at its right end.
  click_at $((fx + fw - 37)) "$bar_y"
  after "a click on the title bar's maximise button" 16384 "SET 25%"
  cp "$shot" "$out/$name-maximise-button.png"
fi
click_at $((fx + fw / 2)) "$bar_y" 2
after "a double-click on the title bar" 32768 "SET 50%"
keys super+Up
after "Super+Up" 49152 "SET 75%"
kill -0 "$app_pid" || fail "the program died"
echo "1 passed, 0 failed"
