#!/usr/bin/env bash
# --help, --version and a wrong argument, as a shell sees them: output, exit
# status, and no window. There is no display here, so a program that tried to
# open one would fail.   cli_test.sh BLARGO_BINARY
set -euo pipefail
blargo=$1
# shellcheck source=support/session.sh
source "$(dirname "$0")/support/session.sh"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

"$blargo" --version >"$out" 2>"$err" || fail "--version exited $?"
# As other commands answer: the name typed, a space, the version.
[ "$(cat "$out")" = "blargo 1.01" ] || fail "--version printed '$(cat "$out")'"
[ ! -s "$err" ] || fail "--version wrote to stderr: $(cat "$err")"

"$blargo" --help >"$out" 2>"$err" || fail "--help exited $?"
grep -q '^Usage: blargo' "$out" || fail "--help printed no usage"
grep -q -- '--version' "$out" || fail "--help does not mention --version"
[ ! -s "$err" ] || fail "--help wrote to stderr: $(cat "$err")"

for wrong in --loud -x 75; do
  status=0
  "$blargo" "$wrong" >"$out" 2>"$err" || status=$?
  [ "$status" -ne 0 ] || fail "'$wrong' exited 0"
  [ "$status" -eq 2 ] || fail "'$wrong' exited $status, not 2"
  [ ! -s "$out" ] || fail "'$wrong' wrote to stdout"
  [ "$(wc -l <"$err")" -eq 1 ] || fail "'$wrong' did not give one line on stderr: $(cat "$err")"
  grep -q -- "$wrong" "$err" || fail "the error for '$wrong' does not name it"
done
echo "1 passed, 0 failed"
