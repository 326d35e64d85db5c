#!/usr/bin/env bash
# The real program under Xvfb beside a D-Bus that does not answer, with
# accessibility on (as a screen reader turns it on): the window appears
# within 1 s of a normal start, answers every ping within 300 ms while its
# presets are clicked, and stderr says in one line what was left off.
#   e2e_bus.sh MODE BLARGO X_PING
# MODE:
#   session   the session bus is a private dbus-daemon, stopped (SIGSTOP)
#             before the program starts
#   registry  the session and accessibility buses answer, but the
#             accessibility registry (at-spi2-registryd) is stopped
# Prints normal_start_ms, start_ms and longest_stall_ms before judging them.
set -euo pipefail
# A desktop's own locale: in the C locale Qt 6.8 warns on stderr at start,
# which these checks would read as the program's own line.
export LC_ALL=C.UTF-8
mode=$1
blargo=$2
x_ping=$3
# shellcheck source=../scripts/need.sh
source "$(dirname "$0")/../scripts/need.sh"
need dbus-daemon dbus-daemon
need dbus-send dbus-bin
need /usr/libexec/at-spi-bus-launcher at-spi2-core

stopped=()
daemons=()
on_exit() {
  local pid
  for pid in "${stopped[@]}"; do kill -CONT "$pid" 2>/dev/null || true; done
  for pid in "${daemons[@]}"; do kill "$pid" 2>/dev/null || true; done
}
# shellcheck source=support/x11_session.sh
source "$(dirname "$0")/support/x11_session.sh"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# A session bus of the test's own.
dbus-daemon --session --address="unix:path=$work/session-bus" --nofork --nopidfile \
  </dev/null >"$work/bus.log" 2>&1 &
daemons+=($!)
wait_for test -S "$work/session-bus" || fail "the private session bus did not start"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/session-bus"
unset AT_SPI_BUS_ADDRESS
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/atspi.log" 2>&1 &
daemons+=($!)
a11y_address() {
  dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress 2>/dev/null | tr -d ' '
}
wait_for test -n "$(a11y_address)" || fail "the accessibility bus did not start"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
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
    kill -STOP "${daemons[0]}"
    stopped+=("${daemons[0]}")
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
    stopped+=("$registry")
    expected="the accessibility bus does not answer; accessibility is left off"
    ;;
  *) echo "usage: e2e_bus.sh session|registry BLARGO X_PING" >&2; exit 2 ;;
esac

timed_start
"$x_ping" "$window" 3 >"$work/ping" 2>&1 &
ping_pid=$!
for x in 280 340 400 460 220 340; do click "$x" 212; done
wait "$ping_pid" || fail "a ping was never answered: $(cat "$work/ping")"
longest=$(sed -n 's/^longest_ms //p' "$work/ping")
echo "normal_start_ms: $normal_start_ms"
echo "start_ms: $start_ms"
echo "longest_stall_ms: $longest"
echo "stderr: $(cat "$work/app.log")"
[ "$start_ms" -lt $((normal_start_ms + 1000)) ] ||
  fail "the window took $start_ms ms, a normal start $normal_start_ms ms"
awk -v s="$longest" 'BEGIN { exit !(s < 300) }' || fail "the window went $longest ms without answering"
grep -qxF "blargo: $expected" "$work/app.log" || fail "stderr does not say \"blargo: $expected\""
echo "1 passed, 0 failed"
