#!/usr/bin/env bash
# The real program under Xvfb beside a D-Bus that does not answer, with
# accessibility on (as a screen reader turns it on): the window appears, and
# answers every ping while its presets are clicked, as it would with every
# bus answering, and stderr says in one line what was left off.
#   e2e_bus.sh MODE BLARGO X_PING
# MODE:
#   session   the session bus is a private dbus-daemon, stopped (SIGSTOP)
#             before the program starts
#   registry  the session and accessibility buses answer, but the
#             accessibility registry (at-spi2-registryd) is stopped
# Prints normal_start_ms, start_ms and longest_stall_ms; a start or a stall
# fails only at hang scale (a call waiting on the stopped bus takes longer).
set -euo pipefail
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
mode=$1
blargo=$2
x_ping=$3
desktop_locale
session_start
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_session_bus
start_a11y_bus

# Starts the program and times it until its window shows, polled every 20 ms.
timed_start() {
  local started
  started=$(now_ms)
  "$blargo" >"$work/app.log" 2>&1 &
  app_pid=$!
  window=""
  while [ -z "$window" ]; do
    [ $(($(now_ms) - started)) -lt 30000 ] || fail "no window within 30 s"
    window=$(xdotool search --onlyvisible --name '^bLaRgO v1\.01$' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] || sleep 0.02
  done
  start_ms=$(($(now_ms) - started))
  eval "$(xdotool getwindowgeometry --shell "$window")"
}
stop_program() {
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
  wait_for test -z "$(xdotool search --onlyvisible --name '^bLaRgO v1\.01$' 2>/dev/null)"
}

# A normal start first, with every bus answering: the yardstick.
timed_start
normal_start_ms=$start_ms
stop_program
[ ! -s "$work/app.log" ] || fail "a normal start said something: $(cat "$work/app.log")"

case "$mode" in
  session)
    kill -STOP "$session_bus_pid"
    expected="the session bus does not answer; accessibility and desktop settings are left off"
    ;;
  registry)
    # The registry starts when first asked for; then it is stopped. The bus
    # that carries it names its process, which holds in any process
    # namespace a test may run in (reading other processes' environments
    # does not).
    find_registry() {
      local bus
      bus=$(a11y_address)
      dbus-send --bus="$bus" --print-reply --dest=org.a11y.atspi.Registry \
        /org/a11y/atspi/registry org.freedesktop.DBus.Peer.Ping >"$work/ping-registry" 2>&1 || true
      registry=$(dbus-send --bus="$bus" --print-reply=literal --dest=org.freedesktop.DBus \
        /org/freedesktop/DBus org.freedesktop.DBus.GetConnectionUnixProcessID \
        string:org.a11y.atspi.Registry 2>>"$work/ping-registry" | awk '{ print $2 }') || true
      [ -n "$registry" ] && [ -d "/proc/$registry" ]
    }
    WAIT_SECONDS=30 wait_for find_registry ||
      fail "no accessibility registry of this session's was found: $(cat "$work/ping-registry")"
    kill -STOP "$registry"
    stop_at_exit "$registry"
    expected="the accessibility bus does not answer; accessibility is left off"
    ;;
  *) echo "usage: e2e_bus.sh session|registry BLARGO X_PING" >&2; exit 2 ;;
esac

timed_start
start_pinging "$x_ping" 3
for name in "SET 25%" "SET 50%" "SET 75%" "SET100%" MUTE "SET 50%"; do click_on "$name"; done
await_pings
echo "normal_start_ms: $normal_start_ms"
echo "stderr: $(cat "$work/app.log")"
timing start_ms "$start_ms" "the window took its time to show"
timing longest_stall_ms "$longest" "the window went without answering"
grep -qxF "blargo: $expected" "$work/app.log" || fail "stderr does not say \"blargo: $expected\""
echo "1 passed, 0 failed"
