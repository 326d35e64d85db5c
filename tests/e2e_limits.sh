#!/usr/bin/env bash
# The real program under Xvfb at each limit of file descriptors from FIRST to
# LAST (`ulimit -n`). At every one it either exits with status 1 and the one
# line that says there are too few, or opens its window and stays alive and
# answering (timed with _NET_WM_PING round trips; printed as
# longest_stall_ms, failing only at hang scale) through the presets, the
# slider and party mode. Then its writes either reach the sound server, with
# nothing on stderr, or fail, with one line that says why however many fail.
# Never a signal; and once a limit opens the window, every higher one does.
#   e2e_limits.sh FIRST LAST BLARGO X_PING
set -euo pipefail
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
first=$1
last=$2
blargo=$3
x_ping=$4
desktop_locale
session_start

# The limit is the program's alone: the session around it keeps its own.
# Descriptors the test runner left open are closed first, so the program has
# the count a user's session would give it.
cat >"$work/blargo" <<WRAPPER
#!/usr/bin/env bash
for fd in \$(ls /proc/\$\$/fd); do [ "\$fd" -gt 2 ] && eval "exec \$fd>&-" 2>/dev/null; done
ulimit -n \$1
exec "$blargo"
WRAPPER
chmod +x "$work/blargo"

# The slider's right arrow, in layout pixels (its box is 200,176 281x17).
click_slider_right() { xdotool mousemove --window "$window" --sync 473 184 click 1; }

shortage="blargo: cannot reach the sound server: too many open files"
opened_at=""
for limit in $(seq "$first" "$last"); do
  echo "--- ulimit -n $limit"
  # A level no write of the program makes (no whole percent of 65536).
  pactl set-sink-volume @DEFAULT_SINK@ 12345
  "$work/blargo" "$limit" >"$work/app.log" 2>&1 &
  app_pid=$!
  window=""
  wait_for_window_or_exit() {
    window=$(xdotool search --onlyvisible --pid "$app_pid" --name '^bLaRgO v1\.01$' 2>/dev/null |
      head -n 1) || true
    [ -n "$window" ] || program_ended
  }
  WAIT_SECONDS=30 wait_for wait_for_window_or_exit || fail "at $limit: no window and no exit within 30 s"
  if [ -z "$window" ]; then
    status=0
    wait "$app_pid" || status=$?
    app_pid=""
    echo "exit $status: $(cat "$work/app.log")"
    [ "$status" -lt 128 ] || fail "at $limit the program died of signal $((status - 128))"
    [ "$status" = 1 ] || fail "at $limit the program exited with status $status, not 1"
    [ -z "$opened_at" ] || fail "at $limit the program exited, though at $opened_at it opened its window"
    free=$((limit - 3))
    [[ "$(cat "$work/app.log")" =~ ^"blargo: too few file descriptors to open the window: $free free, it needs "[0-9]+" (raise the limit, ulimit -n)"$ ]] ||
      fail "at $limit stderr is not the one line that there are too few descriptors"
    continue
  fi
  [ -n "$opened_at" ] || opened_at=$limit
  eval "$(xdotool getwindowgeometry --shell "$window")"
  start_pinging "$x_ping" 3
  # Presets, the slider and the ramp: with no room for the sound server,
  # hundreds of failed writes, each tried again.
  for name in MUTE "SET 25%" "SET 50%" "SET 75%" "SET100%" "SET 50%"; do click_on "$name"; done
  click_slider_right
  click_on "PLAY BABY!!!"
  sleep 1
  click_on "STOP DEVIL!!!"
  await_pings
  if program_ended; then
    status=0
    wait "$app_pid" || status=$?
    app_pid=""
    fail "at $limit the program ended with status $status after its window opened"
  fi
  timing longest_stall_ms "$longest" "at $limit the window went without answering"
  echo "stderr: $(cat "$work/app.log")"
  if [ -s "$work/app.log" ]; then
    [ "$(grep -c . "$work/app.log")" = 1 ] && [ "$(cat "$work/app.log")" = "$shortage" ] ||
      fail "at $limit stderr is not the one line \"$shortage\""
    [ "$(sink)" = 12345 ] || fail "at $limit stderr says no write lands, but the sink went to $(sink)"
  else
    [ "$(sink)" != 12345 ] || fail "at $limit nothing was said on stderr, but no write landed"
  fi
  kill "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
done
echo "1 passed, 0 failed"
