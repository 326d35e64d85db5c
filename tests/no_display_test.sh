#!/usr/bin/env bash
# Started without a display it can open, the program says which display in
# one line on stderr and exits with status 1: no abort, no core. A platform
# chosen with -platform or QT_QPA_PLATFORM is named, with who chose it and
# how to choose another.
#   no_display_test.sh BLARGO_BINARY [PLATFORM_PLUGIN_DIR]
# With PLATFORM_PLUGIN_DIR (Qt's platforms folder) it checks the case of a
# Wayland session on a system without Qt's Wayland plugin instead, hiding the
# plugin in a private mount namespace (needs root).
set -euo pipefail
blargo=$1
plugins=${2:-}
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
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

# Runs the program with the given environment (and, after a '|', arguments);
# checks the status, that stdout stays empty and that stderr is one line
# containing every WORD.
expect_one_line() {  # "ENV... [| ARGS...]" WORD...
  local label=$1 env_words=${1%%|*} args="" status=0
  [[ $1 != *"|"* ]] || args=${1#*|}
  shift
  # shellcheck disable=SC2086
  env $env_words "$blargo" $args >"$out" 2>"$err" </dev/null || status=$?
  [ "$status" = 1 ] || fail "with '$label' the program exited $status, not 1: $(cat "$err")"
  [ ! -s "$out" ] || fail "with '$label' the program wrote to stdout"
  [ "$(wc -l <"$err")" = 1 ] || fail "with '$label' stderr is not one line: $(cat "$err")"
  for word in "$@"; do
    grep -qF -- "$word" "$err" || fail "with '$label' the message does not name $word: $(cat "$err")"
  done
  ! grep -qF '"" platform' "$err" || fail "with '$label' a platform has no name: $(cat "$err")"
  echo "with '$label': $(cat "$err")"
}

if [ -z "$plugins" ]; then
  expect_one_line "-u DISPLAY" "DISPLAY is not set"
  expect_one_line "DISPLAY=$free" "\"$free\""
  expect_one_line "WAYLAND_DISPLAY=blargo-nowhere DISPLAY=$free" "\"blargo-nowhere\"" "\"$free\""
  # A platform the user chose is named, with who chose it and what to do.
  runtime=$(mktemp -d)
  expect_one_line "XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=wayland" "Qt's \"wayland\" platform" \
    "chosen by QT_QPA_PLATFORM" "\"wayland-0\"" "unset QT_QPA_PLATFORM" "xcb"
  expect_one_line "XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=blargo-nowhere | -platform wayland" \
    "Qt's \"wayland\" platform" "chosen with -platform" "\"blargo-nowhere\"" "leave out -platform"
  expect_one_line "QT_QPA_PLATFORM=bogus" "Qt has no \"bogus\" platform" "chosen by QT_QPA_PLATFORM" \
    "installed: " "xcb"
  expect_one_line "| --platform bogus" "Qt has no \"bogus\" platform" "chosen with -platform"
  # The command line's choice is the one Qt tries, whatever the environment says.
  expect_one_line "QT_QPA_PLATFORM=bogus DISPLAY=$free | -platform xcb" "Qt's \"xcb\" platform" \
    "chosen with -platform" "\"$free\""
  expect_one_line "QT_QPA_PLATFORM=wayland;xcb XDG_RUNTIME_DIR=$runtime DISPLAY=$free" \
    "Qt's \"wayland\" and \"xcb\" platforms" "\"wayland-0\"" "\"$free\""
  # In GNOME's Wayland session Xwayland is tried first, then Wayland itself.
  expect_one_line "XDG_RUNTIME_DIR=$runtime XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=blargo-nowhere DISPLAY=$free" \
    "cannot open the X display \"$free\" (is its X server running, and does it let this user in?); cannot open the Wayland display \"blargo-nowhere\""
  rmdir "$runtime"
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
