#!/usr/bin/env bash
# The real program under Xvfb while its sound system fails in the ways users
# meet: whatever the mixer waits for, the window keeps answering (timed with
# _NET_WM_PING round trips) and the sink ends at the level the label shows.
#   e2e_mixer_faults.sh MODE BLARGO X_PING X_CLOSE_WINDOW SILENT_DNS
# MODE:
#   stall        the server stops answering between clicks: "SET100%", freeze,
#                "MUTE", "SET 75%", thaw
#   alsa-frozen  libpulse finds no server; ALSA's pulse plugin reaches one,
#                which freezes while presets are clicked
#   dns          the server is named by a host name whose name server never
#                answers, through 20 s of party mode; then the window closes
#                (needs root, for a private /etc/resolv.conf)
# Prints longest_stall_ms, final_sink and (dns) close_ms before judging them.
# Closing must take under 1 s; BLARGO_CLOSE_BOUND_MS changes that bound for
# builds whose exit does more (LeakSanitizer's check of the whole heap).
set -euo pipefail
mode=$1
blargo=$2
x_ping=$3
close_window=$4
silent_dns=$5

if [ "$mode" = dns ] && [ -z "${BLARGO_PRIVATE_RESOLVER:-}" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: the dns case needs root to give the program a private /etc/resolv.conf"
    exit 77
  fi
  if ! unshare --mount true 2>/dev/null; then
    echo "SKIP: unshare --mount is not permitted here"
    exit 77
  fi
  exec unshare --mount env BLARGO_PRIVATE_RESOLVER=1 bash "$0" "$@"
fi

dns_pid=""
on_exit() { if [ -n "$dns_pid" ]; then kill "$dns_pid" 2>/dev/null || true; fi; }
# shellcheck source=support/x11_session.sh
source "$(dirname "$0")/support/x11_session.sh"

server_pid() { "$here/scripts/sound-server" pid "$work/sound"; }
# Waits up to 10 s for the sink to read `raw` (or one more: ALSA's rounding).
await_sink() {
  for _ in $(seq 500); do
    local v
    v=$(sink)
    [ "$v" = "$1" ] || [ "$v" = $(($1 + 1)) ] && return 0
    sleep 0.02
  done
  return 1
}
# Pings the window in the background for `$1` seconds.
start_pinging() {
  "$x_ping" "$window" "$1" >"$work/ping" 2>&1 &
  ping_pid=$!
}
# Waits for the pinging to end; sets `longest`, the slowest round trip in ms.
await_pings() {
  wait "$ping_pid" || fail "a ping was never answered: $(cat "$work/ping")"
  longest=$(sed -n 's/^longest_ms //p' "$work/ping")
}
judge() {  # LONGEST_MS LABEL_RAW
  echo "longest_stall_ms: $1"
  echo "final_sink: $(sink) (label level $2)"
  awk -v s="$1" 'BEGIN { exit !(s < 2500) }' || fail "the window went $1 ms without answering"
  await_sink "$2" || fail "the sink ended at $(sink), the label shows level $2"
}

case "$mode" in
  stall)
    start_program "$blargo"
    start_pinging 3
    click 460 212  # SET100%
    await_sink 65536 || fail "SET100% left the sink at $(sink)"
    kill -STOP "$(server_pid)"
    click 220 212  # MUTE
    click 400 212  # SET 75%
    sleep 0.33
    kill -CONT "$(server_pid)"
    await_pings
    judge "$longest" 49500
    ;;
  alsa-frozen)
    mkdir -p "$work/home"
    printf 'pcm.!default { type pulse server "%s" }\nctl.!default { type pulse server "%s" }\n' \
      "unix:$work/sound/run/pulse/native" "unix:$work/sound/run/pulse/native" >"$work/home/.asoundrc"
    # Only the program's environment: pactl keeps reaching the server.
    printf '#!/bin/sh\nexport HOME="%s" PULSE_SERVER="%s"\nexec "%s"\n' \
      "$work/home" "unix:$work/nowhere" "$blargo" >"$work/blargo"
    chmod +x "$work/blargo"
    start_program "$work/blargo"
    start_pinging 4
    click 280 212  # SET 25%
    await_sink 16500 || fail "SET 25% left the sink at $(sink)"
    kill -STOP "$(server_pid)"
    click 400 212  # SET 75%
    click 340 212  # SET 50%
    click 460 212  # SET100%
    sleep 2
    kill -CONT "$(server_pid)"
    await_pings
    judge "$longest" 65536
    ;;
  dns)
    resolver=127.83.91.7
    "$silent_dns" "$resolver" >"$work/dns.out" 2>&1 &
    dns_pid=$!
    for _ in $(seq 100); do grep -q ready "$work/dns.out" && break; sleep 0.05; done
    grep -q ready "$work/dns.out" || fail "the silent name server did not start: $(cat "$work/dns.out")"
    printf 'nameserver %s\n' "$resolver" >"$work/resolv.conf"
    mount --bind "$work/resolv.conf" /etc/resolv.conf
    name=sound.blargo.test
    ! grep -qw "$name" /etc/hosts || fail "$name is in /etc/hosts, so no name server would be asked"
    status=0
    timeout 3 getent hosts "$name" >/dev/null || status=$?
    [ "$status" = 124 ] || fail "looking up $name did not hang on the silent name server (status $status)"
    export PULSE_SERVER="tcp:$name:4713"
    start_program "$blargo"
    click 340 252  # PLAY BABY!!!
    start_pinging 20
    await_pings
    click 40 424  # STOP DEVIL!!!
    "$close_window" "$window"  # returns once the X server has delivered the request
    started=$(date +%s%N)
    while kill -0 "$app_pid" 2>/dev/null && [ $(($(date +%s%N) - started)) -lt 10000000000 ]; do
      sleep 0.01
    done
    close_ms=$((($(date +%s%N) - started) / 1000000))
    status=0
    kill -0 "$app_pid" 2>/dev/null || wait "$app_pid" || status=$?
    echo "longest_stall_ms: $longest"
    echo "close_ms: $close_ms"
    kill -0 "$app_pid" 2>/dev/null && fail "the program still runs 10 s after its window was closed"
    app_pid=""
    awk -v s="$longest" 'BEGIN { exit !(s < 2500) }' || fail "the window went $longest ms without answering"
    [ "$close_ms" -lt "${BLARGO_CLOSE_BOUND_MS:-1000}" ] || fail "closing took $close_ms ms"
    [ "$status" = 0 ] || fail "the program exited with status $status"
    ;;
  *) echo "usage: e2e_mixer_faults.sh stall|alsa-frozen|dns BLARGO X_PING X_CLOSE_WINDOW SILENT_DNS" >&2; exit 2 ;;
esac
echo "1 passed, 0 failed"
