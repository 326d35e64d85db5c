#!/usr/bin/env bash
# Started without a display it can open, the program says which display in
# one line on stderr and exits with status 1: no abort, no core.
#   no_display_test.sh BLARGO_BINARY [PLATFORM_PLUGIN_DIR]
# With PLATFORM_PLUGIN_DIR (Qt's platforms folder) it checks the case of a
# Wayland session on a system without Qt's Wayland plugin instead, hiding the
# plugin in a private mount namespace (needs root).
set -euo pipefail
blargo=$1
plugins=${2:-}
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE

if [ -n "$plugins" ] && [ -z "${BLARGO_PRIVATE_PLUGINS:-}" ]; then
  if [ "$(id -u)" -ne 0 ] || ! unshare --mount true 2>/dev/null; then
    echo "SKIP: hiding Qt's Wayland plugin needs root and unshare --mount"
    exit 77
  fi
  exec unshare --mount env BLARGO_PRIVATE_PLUGINS=1 bash "$0" "$@"
fi

out=$(mktemp)
err=$(mktemp)
copy=$(mktemp -d)
trap 'rm -rf "$out" "$err" "$copy"' EXIT

# A display number nobody serves.
free=""
for n in $(seq 90 199); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { free=":$n"; break; }
done
[ -n "$free" ] || fail "no free display number"

# Runs the program with the given environment; checks the status, that
# stdout stays empty and that stderr is one line containing every WORD.
expect_one_line() {  # "ENV..." WORD...
  local env_words=$1 status=0
  shift
  # shellcheck disable=SC2086
  env $env_words "$blargo" >"$out" 2>"$err" </dev/null || status=$?
  [ "$status" = 1 ] || fail "with '$env_words' the program exited $status, not 1: $(cat "$err")"
  [ ! -s "$out" ] || fail "with '$env_words' the program wrote to stdout"
  [ "$(wc -l <"$err")" = 1 ] || fail "with '$env_words' stderr is not one line: $(cat "$err")"
  for word in "$@"; do
    grep -qF -- "$word" "$err" || fail "with '$env_words' the message does not name $word: $(cat "$err")"
  done
  echo "with '$env_words': $(cat "$err")"
}

if [ -z "$plugins" ]; then
  expect_one_line "-u DISPLAY" "DISPLAY is not set"
  expect_one_line "DISPLAY=$free" "\"$free\""
  expect_one_line "WAYLAND_DISPLAY=blargo-nowhere DISPLAY=$free" "\"blargo-nowhere\"" "\"$free\""
else
  [ -e "$plugins/libqxcb.so" ] || fail "no Qt platform plugins in $plugins"
  for plugin in "$plugins"/*.so; do
    case "$(basename "$plugin")" in *wayland*) ;; *) cp "$plugin" "$copy/" ;; esac
  done
  mount --bind "$copy" "$plugins"
  expect_one_line "WAYLAND_DISPLAY=blargo-nowhere DISPLAY=$free" "qt6-wayland" \
    "QT_QPA_PLATFORM=xcb" "\"$free\""
fi
echo "1 passed, 0 failed"
