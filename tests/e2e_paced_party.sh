#!/usr/bin/env bash
# What the screen shows while party mode paints at the display's pace: the
# real program under Xvfb, sampled with screenshots at arbitrary moments.
# Every sample during the party shows a cycle colour, the colours move on,
# and after "STOP DEVIL!!!" the background turns black and stays black.
#   e2e_paced_party.sh BLARGO_BINARY X_CLOSE_WINDOW
set -euo pipefail
blargo=$1
close_window=$2
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
session_start

is_cycle_colour() { case "$1" in ff0000 | ffff00 | 00ff00 | 00ffff | 0000ff) return 0 ;; esac; return 1; }

start_program "$blargo"
click_on "PLAY BABY!!!"
# The first frame of the party is red, or already further along the cycle.
partying() { is_cycle_colour "$(pixel 20 20)"; }
wait_for partying || fail "no cycle colour $hang_s s after PLAY: $(pixel 20 20)"
colours=()
for _ in $(seq 20); do
  colours+=("$(pixel 20 20)" "$(pixel 660 300)")
done
for c in "${colours[@]}"; do is_cycle_colour "$c" || fail "background $c during the party"; done
distinct=$(printf '%s\n' "${colours[@]}" | sort -u | wc -l)
[ "$distinct" -ge 2 ] || fail "the background stood still: ${colours[*]}"

click_on "STOP DEVIL!!!"
# Until black, only cycle colours.
black() {
  c=$(pixel 20 20)
  [ "$c" = 000000 ] && return 0
  is_cycle_colour "$c" || fail "background $c between STOP and black"
  return 1
}
wait_for black || fail "background still $c $hang_s s after STOP"
for _ in $(seq 10); do
  [ "$(pixel 20 20)" = 000000 ] || fail "background $(pixel 20 20) after it had turned black"
  [ "$(pixel 660 300)" = 000000 ] || fail "background $(pixel 660 300) at the right after STOP"
done

"$close_window" "$window"
await_exit
echo "seen: $distinct colours in ${#colours[@]} samples"
echo "1 passed, 0 failed"
