#!/usr/bin/env bash
# Where a sound server is installed but not running, libpulse may start one
# of the user's on a client's behalf (autospawn). The program must never: the
# session decides whether a server runs. The server here is a stand-in that
# only notes it was started; pactl, which allows autospawn, shows first that
# this setup would start it.
#   no_autospawn_test.sh WRITE_ONCE
set -euo pipefail
write_once=$1
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
need pactl pulseaudio-utils
need setpriv util-linux
session_work

mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
printf '#!/bin/sh\ntouch "%s/started"\nexit 1\n' "$work" >"$work/server"
chmod 755 "$work/server"
printf 'autospawn = yes\ndaemon-binary = %s/server\n' "$work" >"$work/client.conf"
# libpulse never autospawns for root: the clients run as nobody then.
as_user=()
if [ "$(id -u)" = 0 ]; then
  chmod 755 "$work"
  chown -R 65534:65534 "$work"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
client() {
  env -i PATH="$PATH" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
    PULSE_CLIENTCONFIG="$work/client.conf" "${as_user[@]}" "$@"
}

client pactl info >/dev/null 2>&1 || true
[ -e "$work/started" ] || fail "pactl did not start the stand-in server: this setup cannot tell"
rm -f "$work/started"

outcome=$(client "$write_once")
echo "outcome: $outcome"
[ ! -e "$work/started" ] || fail "the program started a sound server of its own"
[ "$outcome" = "no server" ] || fail "the write came to \"$outcome\", not \"no server\""
echo "1 passed, 0 failed"
