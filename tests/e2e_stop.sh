#!/usr/bin/env bash
# STOP DEVIL!!! always stops: party mode while the sound server is killed,
# restarted or frozen, stopped by a click, by Space and by Escape, ROUNDS
# times over, under openbox with the accessibility bus up (as a screen reader
# user runs it). After each STOP the window must come back to normal mode
# (black, PLAY BABY!!! shown, STOP DEVIL!!! gone), and once the server is
# back the sink must settle at the level the label shows and stay there: a
# level the window handed over before the STOP may still land, nothing after.
#   e2e_stop.sh BLARGO_BINARY OUTPUT_DIR [ROUNDS]
set -euo pipefail
here_dir=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=support/session.sh
source "$here_dir/support/session.sh"
need_python pyatspi python3-pyatspi
private_bus "$@"
blargo=$1
out=$2
rounds=${3:-15}
mkdir -p "$out"
session_start
start_openbox
start_a11y_bus

# A failure shows the program's own lines, not the input it logged.
eval "session_fail() $(declare -f fail | tail -n +2)"
fail() {
  [ ! -f "$work/app.log" ] || sed -i '/^qt\.qpa\.input\.events:/d' "$work/app.log"
  session_fail "$@"
}
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# The program logs each mouse button it receives from the X server, so a
# STOP that does not stop tells whether its click ever reached the program.
export QT_LOGGING_RULES="qt.qpa.input.events=true"
start_program "$blargo"
presses() { grep -c 'mouse press, button 1' "$work/app.log" || true; }
releases() { grep -c 'mouse release, button 1' "$work/app.log" || true; }
xdotool windowactivate --sync "$window" 2>/dev/null || true

# The label's text as a screen reader reads it, from one long-lived reader:
# a line on its input asks, a line on its output answers.
coproc LABEL {
  exec /usr/bin/python3 -u -c '
import sys, pyatspi
from gi.repository import Atspi
Atspi.set_timeout(10000, 15000)  # hang scale, not libatspi'"'"'s 0.8 s
def frame():
    for app in pyatspi.Registry.getDesktop(0):
        for window in app or []:
            if window is not None and window.name == "bLaRgO v1.01":
                return window
label = None
for _ in sys.stdin:
    try:
        label = label or frame()[1]
        print(label.name)
    except Exception as error:
        label = None
        print("none", type(error).__name__)
'
}
stop_at_exit "$LABEL_PID"
label_text() {
  local text
  echo >&"${LABEL[1]}"
  IFS= read -r -t "$hang_s" text <&"${LABEL[0]}" || text=""
  echo "$text"
}

is_cycle_colour() { case "$1" in ff0000 | ffff00 | 00ff00 | 00ffff | 0000ff) return 0 ;; esac; return 1; }
partying() { is_cycle_colour "$(pixel 20 20)"; }
# Normal mode as drawn: black, PLAY BABY!!! there (its face is not the
# window's black), STOP DEVIL!!! gone (black where it stood).
control_pixel() { control_point "$1"; pixel "$point_x" "$point_y"; }
normal_mode() {
  [ "$(pixel 20 20)" = 000000 ] && [ "$(control_pixel "STOP DEVIL!!!")" = 000000 ] &&
    local play && play=$(control_pixel "PLAY BABY!!!") && [ -n "$play" ] && [ "$play" != 000000 ]
}
server_up() { pactl info >/dev/null 2>&1; }
# The sink at the level the label shows (one unit above, from the server's
# scale), read from one reading of the label.
sink_at_label() {
  local text v
  text=$(label_text)
  [[ $text =~ ^([0-9]+)%$ ]] || return 1
  v=$(sink)
  [ -n "$v" ] || return 1
  local want=$(((BASH_REMATCH[1] * 65536 + 50) / 100))  # its percent of the sink's 65536
  [ "$v" -ge "$want" ] && [ "$v" -le $((want + 1)) ]
}

ways=(click space escape)
# The server down, or frozen, as the STOP comes; just back from either; or
# nothing wrong.
troubles=(kill freeze restarted thawed none)
missed=0
moved=0
log=$out/rounds.txt
: >"$log"
for ((r = 0; r < rounds; r++)); do
  way=${ways[r % 3]}
  trouble=${troubles[r % 5]}
  # The focus sits on PLAY BABY!!! after a STOP; a click starts it whatever
  # has the focus.
  click_on "PLAY BABY!!!"
  wait_for partying || fail "round $r: PLAY did not start the party (background $(pixel 20 20))"
  sleep "0.$((RANDOM % 5))"
  case "$trouble" in
    kill | restarted) "$top/scripts/sound-server" stop "$work/sound" ;;
    freeze | thawed) kill -STOP "$(sound_server_pid)" ;;
  esac
  sleep "0.$((RANDOM % 4))"
  case "$trouble" in
    restarted) "$top/scripts/sound-server" start "$work/sound" >/dev/null 2>&1 ;;
    thawed) kill -CONT "$(sound_server_pid)" ;;
  esac
  pressed_before=$(presses)
  released_before=$(releases)
  case "$way" in
    click) click_on "STOP DEVIL!!!" ;;
    space) xdotool key space ;;
    escape) xdotool key Escape ;;
  esac
  stopped=yes
  wait_for normal_mode || stopped=no
  # The server comes back only once the window has stopped: whatever lands
  # now was handed over before the STOP.
  case "$trouble" in
    kill) "$top/scripts/sound-server" start "$work/sound" >/dev/null 2>&1 ;;
    freeze) kill -CONT "$(sound_server_pid)" ;;
  esac
  wait_for server_up || fail "round $r: the sound server did not come back"
  settled=yes
  wait_for sink_at_label || settled=no
  # Then it holds: sampled over a second, longer than the mixer's retries.
  samples=()
  for _ in 1 2 3 4 5; do
    samples+=("$(sink)")
    sleep 0.25
  done
  held=yes
  for v in "${samples[@]}"; do [ "$v" = "${samples[0]}" ] || held=no; done
  echo "round $r $way $trouble stopped=$stopped settled=$settled held=$held" \
    "label=$(label_text) sink=${samples[*]}" >>"$log"
  if [ "$stopped" = no ]; then
    missed=$((missed + 1))
    echo "round $r: $way during $trouble left the window in party mode (background $(pixel 20 20));" \
      "the program received $(($(presses) - pressed_before)) presses and" \
      "$(($(releases) - released_before)) releases of the button since" >&2
    import -window "$window" "$out/missed-$r.png" || true
    # Stop it for the next round, by a click.
    click_on "STOP DEVIL!!!"
    wait_for normal_mode || fail "round $r: a second STOP did not stop either"
  fi
  if [ "$settled" = no ] || [ "$held" = no ]; then
    moved=$((moved + 1))
    echo "round $r: after $way during $trouble the sink went ${samples[*]}, the label shows $(label_text)" >&2
  fi
  kill -0 "$app_pid" 2>/dev/null || fail "round $r: the program died"
done
echo "rounds: $rounds, window left in party mode: $missed, sink not held at the label: $moved"
[ "$missed" = 0 ] || fail "$missed of $rounds STOPs left the window in party mode"
[ "$moved" = 0 ] || fail "in $moved of $rounds rounds the sink did not hold the level shown"
echo "1 passed, 0 failed"
