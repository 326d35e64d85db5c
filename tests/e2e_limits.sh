#!/usr/bin/env bash
# The real program under Xvfb with too few file descriptors for the sound
# server's connection (`ulimit -n LIMIT`): clicks must not crash it, the
# window keeps answering (timed with _NET_WM_PING round trips; printed as
# longest_stall_ms, failing only at hang scale), and stderr says why no write
# lands, in one line however many writes fail.
#   e2e_limits.sh LIMIT BLARGO X_PING
set -euo pipefail
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
limit=$1
blargo=$2
x_ping=$3
desktop_locale
session_start

# The limit is the program's alone: the session around it keeps its own.
# Descriptors the test runner left open are closed first, so the program has
# the count a user's session would give it.
cat >"$work/blargo" <<WRAPPER
#!/usr/bin/env bash
for fd in \$(ls /proc/\$\$/fd); do [ "\$fd" -gt 2 ] && eval "exec \$fd>&-" 2>/dev/null; done
ulimit -n $limit
exec "$blargo"
WRAPPER
chmod +x "$work/blargo"
before=$(sink)
start_program "$work/blargo"
start_pinging "$x_ping" 3
# Presets and the ramp: hundreds of failed writes, each tried again.
for name in MUTE "SET 25%" "SET 50%" "SET 75%" "SET100%" "SET 50%" "PLAY BABY!!!"; do click_on "$name"; done
sleep 1
click_on "STOP DEVIL!!!"
await_pings
kill -0 "$app_pid" 2>/dev/null || { wait "$app_pid" || true; fail "the program died"; }
echo "stderr: $(cat "$work/app.log")"
timing longest_stall_ms "$longest" "the window went without answering"
[ "$(sink)" = "$before" ] || fail "a write landed after all: the sink went from $before to $(sink)"
expected="blargo: cannot reach the sound server: too many open files"
if [ "$(grep -c . "$work/app.log")" != 1 ] || [ "$(cat "$work/app.log")" != "$expected" ]; then
  fail "stderr is not the one line \"$expected\""
fi
echo "1 passed, 0 failed"
