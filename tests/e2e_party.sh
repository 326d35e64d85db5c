#!/usr/bin/env bash
# Party mode in real time: the real program under Xvfb against a private
# PulseAudio, clicked with xdotool, watched through screenshots and pactl.
#   e2e_party.sh BLARGO_BINARY X_CLOSE_WINDOW OUTPUT_DIR
set -euo pipefail
blargo=$1
close_window=$2
out=$3
mkdir -p "$out"
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
session_start

# Raw sink volumes the ramp may leave: 30 % .. 95 % in steps of 5 of the
# sink's normal volume (65536), to the nearest step, and 100 % at the top edge.
is_ramp_volume() {
  local v=$1 p
  [ "$v" = 65536 ] && return 0
  for p in $(seq 30 5 95); do
    [ "$v" = $(((p * 65536 + 50) / 100)) ] && return 0
  done
  return 1
}
is_cycle_colour() { case "$1" in ff0000 | ffff00 | 00ff00 | 00ffff | 0000ff) return 0 ;; esac; return 1; }

# A ramp level between 30 % and 95 %: past the first climb from 5 %.
in_the_ramp() {
  local v
  v=$(sink)
  [ "$v" != 65536 ] && [ "$v" -ge $((30 * 65536 / 100)) ] 2>/dev/null && is_ramp_volume "$v"
}

pactl set-sink-volume @DEFAULT_SINK@ 100%
start_program "$blargo"
click_on "PLAY BABY!!!"
wait_for in_the_ramp || fail "the volume did not reach the ramp's range; it is $(sink)"

# Samples until both the colour and the volume have been seen to change, and
# at least 12 were taken, as slowly as the machine allows.
colours=()
volumes=()
distinct() { printf '%s\n' "$@" | sort -u | wc -l; }
sample() {
  colours+=("$(pixel 20 20)" "$(pixel 600 100)")
  volumes+=("$(sink)")
  [ ${#volumes[@]} -ge 12 ] && [ "$(distinct "${colours[@]}")" -ge 2 ] &&
    [ "$(distinct "${volumes[@]}")" -ge 2 ]
}
WAIT_SECONDS=30 wait_for sample || true
shots=${#volumes[@]}
import -window "$window" "$out/party.png"
for c in "${colours[@]}"; do is_cycle_colour "$c" || fail "background $c is not a cycle colour"; done
for v in "${volumes[@]}"; do is_ramp_volume "$v" || fail "sink volume $v is not a ramp level"; done
distinct_colours=$(distinct "${colours[@]}")
distinct_volumes=$(distinct "${volumes[@]}")
[ "$distinct_colours" -ge 2 ] || fail "the background did not change: ${colours[*]}"
[ "$distinct_volumes" -ge 2 ] || fail "the volume did not move: ${volumes[*]}"

click_on "STOP DEVIL!!!"
wait_for pixel_is 20 20 000000 || fail "background after STOP is $(pixel 20 20), not black"
stopped=$(sink)
is_ramp_volume "$stopped" || fail "the volume after STOP, $stopped, is not a ramp level"
# Nothing is written once the party has stopped: the volume holds for a while.
sleep 0.5
[ "$(sink)" = "$stopped" ] || fail "the volume moved after STOP: $stopped then $(sink)"
# A colour timer left running would show on either side of the window.
for point in "20 20" "600 100"; do
  # shellcheck disable=SC2086 # two coordinates
  pixel_is $point 000000 || fail "the background at $point turned $(pixel $point) after STOP"
done
import -window "$window" "$out/after-stop.png"

# Closing the window mid-party ends the program at once, with success; "at
# once" is short of hang scale.
click_on "PLAY BABY!!!"
partying() { is_cycle_colour "$(pixel 20 20)"; }
wait_for partying || fail "PLAY did not start the party again"
"$close_window" "$window"
await_exit
closed=$(sink)
is_ramp_volume "$closed" || fail "the volume after closing, $closed, is not a ramp level"

echo "seen: ${distinct_colours} colours, ${distinct_volumes} volumes in ${shots} samples"
echo "1 passed, 0 failed"
