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
# Prints longest_stall_ms, final_sink and (dns) close_ms; a stall or a close
# fails only at hang scale.
set -euo pipefail
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
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

session_start

# Waits for the sink to read `raw`.
await_sink() { wait_for sink_is "$1"; }
judge() {  # RAW, the sink's volume for the label's level, once the pings are in
  timing longest_stall_ms "$longest" "the window went without answering"
  await_sink "$1" || fail "the sink ended at $(sink), where the label's level lands on $1"
  echo "final_sink: $(sink) (the label's level lands on $1)"
}

case "$mode" in
  stall)
    start_program "$blargo"
    start_pinging "$x_ping" 3
    click_on "SET100%"
    await_sink 65536 || fail "SET100% left the sink at $(sink)"
    kill -STOP "$(sound_server_pid)"
    click_on MUTE
    click_on "SET 75%"
    sleep 0.33
    kill -CONT "$(sound_server_pid)"
    await_pings
    judge 49152
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
    start_pinging "$x_ping" 4
    click_on "SET 25%"
    await_sink 16384 || fail "SET 25% left the sink at $(sink)"
    kill -STOP "$(sound_server_pid)"
    click_on "SET 75%"
    click_on "SET 50%"
    click_on "SET100%"
    sleep 2
    kill -CONT "$(sound_server_pid)"
    await_pings
    judge 65536
    ;;
  dns)
    resolver=127.83.91.7
    "$silent_dns" "$resolver" >"$work/dns.out" 2>&1 &
    stop_at_exit $!
    wait_for grep -q ready "$work/dns.out" || fail "the silent name server did not start: $(cat "$work/dns.out")"
    printf 'nameserver %s\n' "$resolver" >"$work/resolv.conf"
    mount --bind "$work/resolv.conf" /etc/resolv.conf
    name=sound.blargo.test
    ! grep -qw "$name" /etc/hosts || fail "$name is in /etc/hosts, so no name server would be asked"
    status=0
    timeout 3 getent hosts "$name" >/dev/null || status=$?
    [ "$status" = 124 ] || fail "looking up $name did not hang on the silent name server (status $status)"
    export PULSE_SERVER="tcp:$name:4713"
    start_program "$blargo"
    click_on "PLAY BABY!!!"
    start_pinging "$x_ping" 20
    await_pings
    click_on "STOP DEVIL!!!"
    timing longest_stall_ms "$longest" "the window went without answering"
    "$close_window" "$window"  # returns once the X server has delivered the request
    await_exit
    ;;
  *) echo "usage: e2e_mixer_faults.sh stall|alsa-frozen|dns BLARGO X_PING X_CLOSE_WINDOW SILENT_DNS" >&2; exit 2 ;;
esac
echo "1 passed, 0 failed"
