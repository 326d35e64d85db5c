#!/usr/bin/env bash
# Party mode for a desktop that asks for reduced motion: the real program
# under Xvfb against a private PulseAudio, beside a stand-in Settings portal
# on a private session bus. The volume still ramps, the window changes colour
# at most three times a second, and flashes at the screen's pace again once
# the desktop stops asking.
#   e2e_reduced_motion.sh KIND BLARGO_BINARY X_COLOUR_CHANGES
# KIND is the setting that asks (see support/settings_portal.py): appearance
# (reduced-motion 1, then 0), gnome (enable-animations false, then true) or
# kde (AnimationDurationFactor 0, then 1).
set -euo pipefail
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
private_bus "$@"
kind=$1
blargo=$2
colour_changes=$3
case "$kind" in
  appearance) asking=1 calm=0 ;;
  gnome) asking=false calm=true ;;
  kde) asking=0 calm=1 ;;
  *) echo "usage: e2e_reduced_motion.sh appearance|gnome|kde BLARGO X_COLOUR_CHANGES" >&2; exit 2 ;;
esac
need dbus-send dbus-bin
need_python dbus python3-dbus
need_python gi python3-gi
session_start

/usr/bin/python3 "$(dirname "$0")/support/settings_portal.py" "$kind" "$asking" >"$work/portal.log" 2>&1 &
stop_at_exit $!
portal_up() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.portal.Desktop 2>/dev/null |
    grep -q 'boolean true'
}
wait_for portal_up || fail "the stand-in portal did not start: $(cat "$work/portal.log")"

# `watch SECONDS`: counts the background's colour changes for that long; sets
# changes, seconds and most (the most in any one second).
watch() {
  local report
  report=$("$colour_changes" "$window" 20 20 "$1") || fail "the window could not be watched"
  changes=$(sed -n 's/^changes //p' <<<"$report")
  seconds=$(sed -n 's/^seconds //p' <<<"$report")
  most=$(sed -n 's/^most_in_a_second //p' <<<"$report")
  samples=$(sed -n 's/^samples //p' <<<"$report")
}
is_cycle_colour() { case "$1" in ff0000 | ffff00 | 00ff00 | 00ffff | 0000ff) return 0 ;; esac; return 1; }
partying() { is_cycle_colour "$(pixel 20 20)"; }

start_program "$blargo"
click_on "PLAY BABY!!!"
wait_for partying || fail "PLAY did not start the party: the background is $(pixel 20 20)"
# The portal's answer reaches the program through its event loop, some time
# after the window shows: the watch is repeated until it has been taken.
calm_seen() {
  watch 3
  echo "reduced: $changes changes in $seconds s ($samples samples), at most $most in a second"
  # Watching can miss a change but never make one up: the count is at most
  # what the screen showed. One more is allowed for a change just at either
  # end of the watch.
  awk -v c="$changes" -v s="$seconds" 'BEGIN { exit !(c <= 3 * s + 1) }'
}
WAIT_SECONDS=$((2 * hang_s)) wait_for calm_seen ||
  fail "with reduced motion asked for, the window changed colour $changes times in $seconds s"
[ "$most" -le 4 ] || fail "with reduced motion asked for, $most colour changes fell in one second"
# Still a party: the colour moves on, and the volume ramps as ever.
[ "$changes" -ge 1 ] || fail "with reduced motion the colour stopped changing ($samples samples)"
ramp_moved() { [ "$(sink)" != "$first" ]; }
first=$(sink)
wait_for ramp_moved || fail "the volume stopped ramping with reduced motion: it stays at $first"
import -window "$window" "$work/reduced.png" 2>/dev/null || true

# The desktop stops asking while the program runs: full speed again.
dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop \
  /org/freedesktop/portal/desktop org.blargo.test.Settings.Set "string:$calm" >/dev/null ||
  fail "the stand-in portal did not take the change"
fast_again() {
  watch 1
  echo "full: $changes changes in $seconds s ($samples samples)"
  # Far above three a second, which a busy machine still shows.
  [ "$changes" -ge 8 ]
}
wait_for fast_again || fail "the window did not flash at full pace once reduced motion was off"

click_on "STOP DEVIL!!!"
wait_for pixel_is 20 20 000000 || fail "background after STOP is $(pixel 20 20), not black"
echo "1 passed, 0 failed"
