#!/usr/bin/env bash
# Party mode in real time: the real program under Xvfb against a private
# PulseAudio, clicked with xdotool, watched through screenshots and pactl.
#   e2e_party.sh BLARGO_BINARY X_CLOSE_WINDOW OUTPUT_DIR
set -euo pipefail
blargo=$1
close_window=$2
out=$3
mkdir -p "$out"
# shellcheck source=support/x11_session.sh
source "$(dirname "$0")/support/x11_session.sh"

# Raw sink volumes the ramp may leave: 30 % .. 95 % in steps of 5, and 100 %
# at the top edge. ALSA's pulse plugin maps 0..65535 onto 0..65536, so a
# level may read one higher.
is_ramp_volume() {
  local v=$1 p
  [ "$v" = 65536 ] && return 0
  for p in $(seq 30 5 95); do
    [ "$v" = $((p * 660)) ] || [ "$v" = $((p * 660 + 1)) ] && return 0
  done
  return 1
}
is_cycle_colour() { case "$1" in ff0000 | ffff00 | 00ff00 | 00ffff | 0000ff) return 0 ;; esac; return 1; }

pactl set-sink-volume @DEFAULT_SINK@ 100%
start_program "$blargo"
# "PLAY BABY!!!" is 216..465 x 240..265; "STOP DEVIL!!!" 8..73 x 408..441.
click 340 252
sleep 0.3  # past the first climb from 5 %

colours=()
volumes=()
end=$((SECONDS + 2))
shots=0
while [ $shots -lt 12 ] && [ $SECONDS -le $end ]; do
  colours+=("$(pixel 20 20)" "$(pixel 600 100)")
  volumes+=("$(sink)")
  shots=$((shots + 1))
done
import -window "$window" "$out/party.png"
for c in "${colours[@]}"; do is_cycle_colour "$c" || fail "background $c is not a cycle colour"; done
for v in "${volumes[@]}"; do is_ramp_volume "$v" || fail "sink volume $v is not a ramp level"; done
distinct_colours=$(printf '%s\n' "${colours[@]}" | sort -u | wc -l)
distinct_volumes=$(printf '%s\n' "${volumes[@]}" | sort -u | wc -l)
[ "$distinct_colours" -ge 2 ] || fail "the background did not change: ${colours[*]}"
[ "$distinct_volumes" -ge 2 ] || fail "the volume did not move: ${volumes[*]}"

click 40 424
sleep 0.3
[ "$(pixel 20 20)" = 000000 ] || fail "background after STOP is $(pixel 20 20), not black"
stopped=$(sink)
is_ramp_volume "$stopped" || fail "the volume after STOP, $stopped, is not a ramp level"
sleep 0.5
[ "$(sink)" = "$stopped" ] || fail "the volume moved after STOP: $stopped then $(sink)"
import -window "$window" "$out/after-stop.png"

# Closing the window mid-party ends the program at once, with success.
click 340 252
sleep 0.3
"$close_window" "$window"
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.02; done
kill -0 "$app_pid" 2>/dev/null && fail "the program still runs 1 s after its window was closed"
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" = 0 ] || fail "the program exited with status $status"
closed=$(sink)
is_ramp_volume "$closed" || fail "the volume after closing, $closed, is not a ramp level"

echo "seen: ${distinct_colours} colours, ${distinct_volumes} volumes in ${shots} samples"
echo "1 passed, 0 failed"
