#!/usr/bin/env bash
# What the screen shows while party mode paints at the display's pace: the
# real program under Xvfb, sampled with screenshots at arbitrary moments.
# Every sample during the party shows a cycle colour, the colours move on,
# and after "STOP DEVIL!!!" the background turns black and stays black.
#   e2e_paced_party.sh BLARGO_BINARY X_CLOSE_WINDOW
set -euo pipefail
blargo=$1
close_window=$2
# shellcheck source=support/x11_session.sh
source "$(dirname "$0")/support/x11_session.sh"

is_cycle_colour() { case "$1" in ff0000 | ffff00 | 00ff00 | 00ffff | 0000ff) return 0 ;; esac; return 1; }

start_program "$blargo"
# "PLAY BABY!!!" is 216..465 x 240..265; "STOP DEVIL!!!" 8..73 x 408..441.
click 340 252
# The first frame of the party is red, or already further along the cycle.
deadline=$((SECONDS + 10))
until is_cycle_colour "$(pixel 20 20)"; do
  [ $SECONDS -le $deadline ] || fail "no cycle colour 10 s after PLAY: $(pixel 20 20)"
done
colours=()
for _ in $(seq 20); do
  colours+=("$(pixel 20 20)" "$(pixel 660 300)")
done
for c in "${colours[@]}"; do is_cycle_colour "$c" || fail "background $c during the party"; done
distinct=$(printf '%s\n' "${colours[@]}" | sort -u | wc -l)
[ "$distinct" -ge 2 ] || fail "the background stood still: ${colours[*]}"

click 40 424
deadline=$((SECONDS + 10))
until [ "$(pixel 20 20)" = 000000 ]; do
  c=$(pixel 20 20)
  is_cycle_colour "$c" || fail "background $c between STOP and black"
  [ $SECONDS -le $deadline ] || fail "background still $c 10 s after STOP"
done
for _ in $(seq 10); do
  [ "$(pixel 20 20)" = 000000 ] || fail "background $(pixel 20 20) after it had turned black"
  [ "$(pixel 660 300)" = 000000 ] || fail "background $(pixel 660 300) at the right after STOP"
done

"$close_window" "$window"
for _ in $(seq 250); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.02; done
kill -0 "$app_pid" 2>/dev/null && fail "the program still runs 5 s after its window was closed"
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" = 0 ] || fail "the program exited with status $status"
echo "seen: $distinct colours in ${#colours[@]} samples"
echo "1 passed, 0 failed"
